#pragma once
#include "model/ProgressDisplay.h"

#include <string>
#include <vector>

namespace orva::test {

/// Records what loading and writing report, the way the progress window would show it.
class TRecordingProgress : public TProgressDisplay {
public:
    void Begin(const std::string& caption) override
    {
        Calls.push_back("Begin " + caption);
        Maximum = 1;
        Position = 0;
        ++Running;
    }
    void AddToMaximum(std::int64_t count) override { Maximum += count; }
    void ProcessPendingEvents() override
    {
        ++EventTurns;
        if (Position >= Maximum)
            PositionReachedMaximumEarly = true;
    }
    void Advance(std::int64_t count) override { Position += count; }
    void End() override
    {
        Calls.push_back("End");
        Position = Maximum;
        --Running;
    }

    std::vector<std::string> Calls;
    std::int64_t Maximum = 0;
    std::int64_t Position = 0;
    int EventTurns = 0;
    int Running = 0;
    bool PositionReachedMaximumEarly = false;
};

} // namespace orva::test
