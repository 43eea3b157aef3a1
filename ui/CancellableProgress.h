#pragma once
// Progress shown on a window's own bar while a long computation runs on the window's
// thread, with a Cancel button: the pending events are handled between steps, and a step
// after Cancel was pressed throws ECancelled, which unwinds the computation.
#include "model/ProgressDisplay.h"

#include <QObject>
#include <QPointer>

#include <exception>

class QProgressBar;
class QPushButton;

namespace orva::ui {

/// Thrown out of the computation when the user has cancelled it; never an error to show.
class ECancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

/// Drives bar (shown from Begin to End) and enables cancel meanwhile; cancel's click (or
/// Cancel()) makes the next step throw ECancelled. The widgets belong to the window.
class TCancellableProgress : public TProgressDisplay {
public:
    TCancellableProgress(QProgressBar* bar, QPushButton* cancel);
    ~TCancellableProgress() override;

    void Begin(const std::string& caption) override;
    void AddToMaximum(std::int64_t count) override;
    /// Handles the pending events, then throws ECancelled if the user has cancelled.
    void ProcessPendingEvents() override;
    void Advance(std::int64_t count) override;
    void End() noexcept override;

    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }

private:
    void Show();

    QPointer<QProgressBar> bar_;
    QPointer<QPushButton> cancel_;
    QMetaObject::Connection clicked_;
    std::int64_t maximum_ = 0;
    std::int64_t position_ = 0;
    bool cancelled_ = false;
};

} // namespace orva::ui
