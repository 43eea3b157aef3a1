#include "ui/CancellableProgress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace orva::ui {

TCancellableProgress::TCancellableProgress(QProgressBar* bar, QPushButton* cancel) : bar_(bar), cancel_(cancel)
{
    if (cancel_)
        clicked_ = QObject::connect(cancel_.data(), &QPushButton::clicked, [this] { Cancel(); });
}

TCancellableProgress::~TCancellableProgress()
{
    End();
    QObject::disconnect(clicked_);
}

void TCancellableProgress::Begin(const std::string&)
{
    maximum_ = 0;
    position_ = 0;
    if (cancel_)
        cancel_->setEnabled(true);
    if (bar_)
        bar_->show();
    Show();
}

void TCancellableProgress::AddToMaximum(std::int64_t count)
{
    maximum_ += count;
    Show();
}

void TCancellableProgress::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
    if (cancelled_)
        throw ECancelled();
}

void TCancellableProgress::Advance(std::int64_t count)
{
    if (cancelled_)
        throw ECancelled();
    position_ += count;
    Show();
}

void TCancellableProgress::End() noexcept
{
    if (cancel_)
        cancel_->setEnabled(false);
    if (bar_) {
        bar_->reset();
        bar_->hide();
    }
}

void TCancellableProgress::Show()
{
    if (!bar_)
        return;
    // The bar's range is an int: large counts are shown scaled down.
    int shift = 0;
    while ((maximum_ >> shift) > INT_MAX)
        ++shift;
    bar_->setRange(0, static_cast<int>(std::max<std::int64_t>(maximum_ >> shift, 1)));
    bar_->setValue(static_cast<int>(std::min(position_, maximum_) >> shift));
}

} // namespace orva::ui
