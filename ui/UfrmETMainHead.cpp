// The main window's commands that know where the sensors sit: Tools > Sensor positions...,
// View > Net and View > Channel values. The chosen positions file is remembered between runs.
#include "ui/UfrmETMain.h"

#include "select/EpochLayout.h"
#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "ui/UfrmChannelValues.h"
#include "ui/UfrmNet.h"
#include "ui/UfrmShowcell.h"

#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStatusBar>

namespace orva::ui {

namespace {

constexpr const char* kPositionsKey = "SensorPositions";

QSettings ProgramSettings()
{
    return QSettings(QStringLiteral("ORVA"), QStringLiteral("ORVA Toolbox"));
}

} // namespace

TfrmShowcell* TfrmETMain::CellGraph() const
{
    if (QMdiSubWindow* active = mdiArea_->activeSubWindow())
        if (auto* graph = qobject_cast<TfrmShowcell*>(active->widget()))
            return graph;
    for (QMdiSubWindow* window : mdiArea_->subWindowList())
        if (auto* graph = qobject_cast<TfrmShowcell*>(window->widget()))
            return graph;
    return nullptr;
}

void TfrmETMain::RestoreSensorPositions()
{
    lblPositions_ = new QLabel(this);
    lblPositions_->setObjectName("lblPositions");
    statusBar()->addPermanentWidget(lblPositions_);
    const QString path = ProgramSettings().value(QLatin1String(kPositionsKey)).toString();
    // A remembered file that has gone or changed beyond reading is forgotten quietly.
    if (!path.isEmpty()) {
        try {
            UseSensorPositions(path);
        } catch (const EORVAError&) {
        }
    }
    ShowSensorPositions();
}

void TfrmETMain::UseSensorPositions(const QString& path)
{
    SensorPositions = ReadSensorPositions(plot::TextToPath(path));
    PositionsFile = path;
    ShowSensorPositions();
}

void TfrmETMain::ShowSensorPositions()
{
    lblPositions_->setText(PositionsFile.isEmpty()
                               ? QStringLiteral("No sensor positions")
                               : QStringLiteral("Sensor positions: %1 (%2)")
                                     .arg(QFileInfo(PositionsFile).fileName())
                                     .arg(SensorPositions.size()));
    UpdateMenus();
}

void TfrmETMain::miToolsPositionsClick()
{
    const QString start = PositionsFile.isEmpty() ? DocumentFolder() : QFileInfo(PositionsFile).absolutePath();
    const auto path = dialogs_.GetOpenFileName(this, start);
    if (!path)
        return;
    UseSensorPositions(*path);
    ProgramSettings().setValue(QLatin1String(kPositionsKey), *path);
}

TMapTime* TfrmETMain::MapTime()
{
    if (!mapTime_)
        mapTime_ = new TMapTime(this);
    const int cells = static_cast<int>(CurrentFile->Cells.size());
    // A moment of an earlier document starts again at the first sample.
    if (mapTime_->Cell >= cells)
        mapTime_->Set(0, 0, 0);
    TfrmShowcell* graph = CellGraph();
    if (!graph)
        return mapTime_;
    auto follow = [this, graph] {
        const int cell = graph->seCell->value() - 1;
        const int obs = graph->seObs->value() - 1;
        if (cell != mapTime_->Cell || obs != mapTime_->Obs)
            mapTime_->Set(cell, obs, mapTime_->Sample);
    };
    if (!graph->property("orvaFollowedByMap").toBool()) {
        connect(graph->seCell, &QSpinBox::valueChanged, mapTime_, follow);
        connect(graph->seObs, &QSpinBox::valueChanged, mapTime_, follow);
        graph->setProperty("orvaFollowedByMap", true);
    }
    follow();
    return mapTime_;
}

void TfrmETMain::miViewNetClick()
{
    if (!CurrentFile || SensorPositions.empty())
        return;
    const plot::TMapChannels placed =
        plot::PlaceChannels(SensorPositions, DefaultChannelNames(CurrentFile->NumChannels()), {},
                            plot::TextToPath(PositionsFile));
    auto* window = new TfrmNet(dialogs_, MapTime());
    try {
        window->SetFile(CurrentFile, placed);
    } catch (...) {
        delete window;
        throw;
    }
    AddChildWindow(window);
}

void TfrmETMain::miViewChannelvaluesClick()
{
    if (!CurrentFile)
        return;
    auto* window = new TfrmChannelValues(dialogs_, MapTime());
    window->SetFile(CurrentFile, DefaultChannelNames(CurrentFile->NumChannels()));
    AddChildWindow(window);
}

} // namespace orva::ui
