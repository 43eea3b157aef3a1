#include "ui/WindowProgress.h"

#include "plot/QtText.h"
#include "ui/UfrmProgressbar.h"

#include <QApplication>
#include <QCoreApplication>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

TWindowProgress::~TWindowProgress()
{
    End();
}

void TWindowProgress::Begin(const std::string& caption)
{
    End(); // a display that was never ended must not leave its window behind
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cursorSet_ = true;
    window_ = new TfrmProgressbar(owner_);
    window_->SetMaximum(1);
    window_->SetPosition(0);
    window_->setWindowTitle(NativeToText(caption));
}

void TWindowProgress::AddToMaximum(std::int64_t count)
{
    if (window_)
        window_->SetMaximum(window_->Maximum() + count);
}

void TWindowProgress::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
}

void TWindowProgress::Advance(std::int64_t count)
{
    if (window_)
        window_->SetPosition(window_->Position() + count);
}

void TWindowProgress::End() noexcept
{
    try {
        if (window_) {
            window_->SetPosition(window_->Maximum());
            window_->close();
            // The window must be gone now, not at the next turn of the event loop.
            if (window_)
                QCoreApplication::sendPostedEvents(window_, QEvent::DeferredDelete);
            if (window_)
                delete window_.data();
        }
    } catch (...) {
        // Nothing may escape: End runs while an error of the operation unwinds.
    }
    if (cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
}

bool TDialogLengthQuestion::AskOpenAnyway(const std::string& text)
{
    QString shown = NativeToText(text);
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return dialogs_.AskYesNo(parent_, shown, QStringLiteral("Warning"), TMessageIcon::Warning);
}

} // namespace orva::ui
