#include "ui/UfrmNet.h"

#include "select/TimeWindow.h"
#include "model/ORVAError.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#include "ui/CommandGuard.h"

#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace orva::ui {

void TMapImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (Paint)
        Paint(painter);
}

TfrmNet::TfrmNet(TUserDialogs& dialogs, TMapTime* time, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), time_(time)
{
    setObjectName("frmNet");
    setWindowTitle(QStringLiteral("Net"));
    Image1 = new TMapImage(this);
    Image1->setObjectName("Image1");
    Image1->setMinimumSize(plot::kColourBarWidth + 120, 140);
    Time = new TTimeSlider(time, this);
    btnSave = new QPushButton(QStringLiteral("&Save picture..."), this);
    btnSave->setObjectName("btnSave");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1, 1);
    layout->addWidget(Time);
    layout->addWidget(btnSave, 0, Qt::AlignRight);
    resize(plot::kColourBarWidth + 340, 400);
    Image1->Paint = [this](QPainter& painter) {
        if (renderer_ && document_.IsSet())
            renderer_->Paint(painter, PanelSize(), Scene());
    };
    connect(btnSave, &QPushButton::clicked, this, [this] { RunGuarded(this, dialogs_, [this] { btnSaveClick(); }); });
    connect(time_, &TMapTime::Changed, this, &TfrmNet::Moved);
}

void TfrmNet::SetFile(std::weak_ptr<TORVAFile> file, plot::TMapChannels channels)
{
    document_.Set(file);
    channels_ = std::move(channels);
    renderer_.emplace(channels_.Directions);
    Time->SetFile(file);
    Moved();
}

QSize TfrmNet::PanelSize() const
{
    return QSize(std::max(1, Image1->width() - plot::kColourBarWidth), std::max(1, Image1->height()));
}

plot::TScalpMapScene TfrmNet::Scene()
{
    plot::TScalpMapScene scene;
    const auto file = document_.Lock(this, dialogs_);
    if (!file)
        return scene;
    scene.Labels = channels_.Labels;
    if (rangeCell_ != time_->Cell || rangeObs_ != time_->Obs) {
        std::vector<std::vector<double>> all;
        const TORVACell& cell = file->Cells[static_cast<std::size_t>(time_->Cell)];
        for (int s = 0; s < cell.SamplesPerObservation; ++s)
            all.push_back(plot::SampleValues(*file, time_->Cell, time_->Obs, s, channels_.Channels));
        rangeUv_ = plot::FitColourRange(all);
        rangeCell_ = time_->Cell;
        rangeObs_ = time_->Obs;
    }
    scene.RangeUv = rangeUv_;
    const double ms = MeasureSampleTime(*file, file->Cells[static_cast<std::size_t>(time_->Cell)], time_->Sample);
    scene.Maps.push_back({plot::SampleTitle(ms),
                          plot::SampleValues(*file, time_->Cell, time_->Obs, time_->Sample, channels_.Channels)});
    return scene;
}

void TfrmNet::Moved()
{
    if (const auto file = document_.Lock(this, dialogs_))
        setWindowTitle(QStringLiteral("Net - ") + MomentText(*file, *time_));
    Image1->update();
}

void TfrmNet::btnSaveClick()
{
    const auto file = document_.Lock(this, dialogs_);
    if (!file || !renderer_)
        return;
    const QString folder = QFileInfo(plot::NativeToText(file->FileName)).absolutePath();
    const auto path = dialogs_.GetSaveFileName(this, folder, QStringLiteral("Save map as PNG or SVG"),
                                               QStringLiteral("map.png"));
    if (!path)
        return;
    if (!plot::PictureFormatOf(*path))
        throw EORVAError(plot::TextToNative(*path), "A picture is saved as PNG or SVG: the name must end in .png or .svg");
    renderer_->Save(*path, PanelSize(), Scene());
}

} // namespace orva::ui
