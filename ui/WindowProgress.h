#pragma once
// The core's progress display and length question, shown with the program's windows.
#include "model/ProgressDisplay.h"
#include "ui/UfrmProgressbar.h"
#include "ui/UserDialogs.h"

#include <QPointer>

class QWidget;

namespace orva::ui {


/// Loading and writing shown as a busy cursor and a progress window over the main window.
class TWindowProgress : public TProgressDisplay {
public:
    explicit TWindowProgress(QWidget* owner) : owner_(owner) {}
    ~TWindowProgress() override;

    void Begin(const std::string& caption) override;
    void AddToMaximum(std::int64_t count) override;
    void ProcessPendingEvents() override;
    void Advance(std::int64_t count) override;
    /// Closes the window and restores the cursor; never throws (it runs during unwinding).
    void End() noexcept override;

    /// The window of the running operation (null outside Begin .. End).
    TfrmProgressbar* Window() const { return window_; }

private:
    QWidget* owner_;
    QPointer<TfrmProgressbar> window_;
    bool cursorSet_ = false;
};

/// The question "Open anyway ?" as a Yes/No box captioned "Warning".
class TDialogLengthQuestion : public TLengthQuestion {
public:
    TDialogLengthQuestion(TUserDialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}
    /// The text's CR is shown as a line break.
    bool AskOpenAnyway(const std::string& text) override;

private:
    TUserDialogs& dialogs_;
    QWidget* parent_;
};

} // namespace orva::ui
