#include "ui/UfrmProgressbar.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace orva::ui {

namespace {

// How far the 64-bit counts are shifted so that the maximum fits the bar's int range.
int ScaleShift(std::int64_t maximum)
{
    int shift = 0;
    while ((maximum >> shift) > INT_MAX)
        ++shift;
    return shift;
}

} // namespace

TfrmProgressbar::TfrmProgressbar(QWidget* owner) : QDialog(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    pb1 = new QProgressBar(this);
    pb1->setObjectName("pb1");
    pb1->setOrientation(Qt::Horizontal);
    pb1->setTextVisible(false);
    pb1->setFixedSize(284, 18);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pb1);
    setFixedSize(284, 18);
    ShowOnBar();
    if (owner) {
        const QPoint centre = owner->frameGeometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    show();
}

void TfrmProgressbar::SetMaximum(std::int64_t maximum)
{
    maximum_ = maximum;
    ShowOnBar();
}

void TfrmProgressbar::SetPosition(std::int64_t position)
{
    position_ = position;
    ShowOnBar();
}

void TfrmProgressbar::ShowOnBar()
{
    const int shift = ScaleShift(maximum_);
    pb1->setRange(0, static_cast<int>(maximum_ >> shift));
    pb1->setValue(static_cast<int>(std::min(position_, maximum_) >> shift));
}

void TfrmProgressbar::closeEvent(QCloseEvent* event)
{
    if (position_ < maximum_)
        event->ignore();
    else
        event->accept();
}

void TfrmProgressbar::reject()
{
    close();
}

} // namespace orva::ui
