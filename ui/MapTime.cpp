#include "ui/MapTime.h"

#include "select/TimeWindow.h"
#include "plot/ScalpMapData.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace orva::ui {

void TMapTime::Set(int cell, int obs, int sample)
{
    if (cell == Cell && obs == Obs && sample == Sample)
        return;
    Cell = cell;
    Obs = obs;
    Sample = sample;
    emit Changed();
}

QString MomentText(const TORVAFile& file, const TMapTime& time)
{
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(time.Cell)];
    return QStringLiteral("Cell %1, obs. %2: ").arg(time.Cell + 1).arg(time.Obs + 1) +
           QString::fromStdString(plot::SampleTitle(MeasureSampleTime(file, cell, time.Sample)));
}

TTimeSlider::TTimeSlider(TMapTime* time, QWidget* parent) : QWidget(parent), time_(time)
{
    Slider = new QSlider(Qt::Horizontal, this);
    Slider->setObjectName("sbTime");
    lblTime = new QLabel(this);
    lblTime->setObjectName("lblTime");
    lblTime->setMinimumWidth(lblTime->fontMetrics().horizontalAdvance(QStringLiteral("Cell 99, obs. 999: -0000 ms")));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(Slider, 1);
    row->addWidget(lblTime);
    connect(Slider, &QSlider::valueChanged, this, [this](int s) { time_->Set(time_->Cell, time_->Obs, s); });
    connect(time_, &TMapTime::Changed, this, &TTimeSlider::Follow);
}

void TTimeSlider::SetFile(std::weak_ptr<TORVAFile> file)
{
    file_ = std::move(file);
    Follow();
}

void TTimeSlider::Follow()
{
    const auto file = file_.lock();
    if (!file || time_->Cell >= static_cast<int>(file->Cells.size()))
        return;
    const TORVACell& cell = file->Cells[static_cast<std::size_t>(time_->Cell)];
    const QSignalBlocker block(Slider);
    Slider->setRange(0, std::max(0, cell.SamplesPerObservation - 1));
    Slider->setValue(time_->Sample);
    lblTime->setText(cell.SamplesPerSecond > 0 && cell.SamplesPerObservation > 0 ? MomentText(*file, *time_)
                                                                                 : QString());
}

} // namespace orva::ui
