#pragma once
#include <cstdint>
#include <string>

namespace orva {

/// How loading and the writers report progress. The GUI shows a progress window
/// and a busy cursor; the batch tool prints a line on a terminal; tests record calls.
/// The operations come in this order: Begin, then AddToMaximum / ProcessPendingEvents /
/// Advance any number of times, then End, which always runs, also after an error.
class TProgressDisplay {
public:
    virtual ~TProgressDisplay() = default;
    virtual void Begin(const std::string& caption) = 0;
    virtual void AddToMaximum(std::int64_t count) = 0;
    virtual void ProcessPendingEvents() = 0;
    virtual void Advance(std::int64_t count) = 0;
    virtual void End() = 0;
};

/// The question CheckFile asks when only the file length is wrong.
class TLengthQuestion {
public:
    virtual ~TLengthQuestion() = default;
    /// Shows text (two lines separated by one CR) with Yes and No; true means Yes.
    virtual bool AskOpenAnyway(const std::string& text) = 0;
};

/// Runs Begin on construction and End on destruction, so that an error in the
/// middle of a load or save never leaves a progress window open. Null means "show nothing".
class TProgressScope {
public:
    TProgressScope(TProgressDisplay* display, const std::string& caption) : display_(display)
    {
        if (display_)
            display_->Begin(caption);
    }
    ~TProgressScope()
    {
        if (display_)
            display_->End();
    }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

    void AddToMaximum(std::int64_t count)
    {
        if (display_)
            display_->AddToMaximum(count);
    }
    void ProcessPendingEvents()
    {
        if (display_)
            display_->ProcessPendingEvents();
    }
    void Advance(std::int64_t count)
    {
        if (display_)
            display_->Advance(count);
    }

private:
    TProgressDisplay* display_;
};

} // namespace orva
