#include "ui/ViewScreenshots.h"

#include "ui/UfrmArtifacts.h"
#include "ui/UfrmMeasure.h"
#include "ui/UfrmMeasureOptions.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "ui/UfrmPictureSize.h"
#include "ui/UfrmShowcell.h"
#include "ui/UfrmStatexport.h"
#include "ui/UfrmTextexport.h"

#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <vector>

namespace orva::ui::shots {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

void OpenDemo(TShotContext& context)
{
    context.Window.OpenFile(context.DemoPath);
    if (!context.Window.CurrentFile)
        throw EORVAError(TextToNative(context.DemoPath), "The demo file did not open");
}

template <class TWindow> TWindow* Opened(TShotContext& context, const char* what)
{
    auto* window = context.Window.findChild<TWindow*>();
    if (!window)
        throw EORVAError(TextToNative(context.DemoPath), std::string("The ") + what + " window did not open");
    return window;
}

// A cell graph on the demo file's target cell and a channel with a clear late wave, in a
// window of the given size.
TfrmShowcell* OpenGraph(TShotContext& context, QSize size)
{
    OpenDemo(context);
    context.Window.miViewChannelgraphClick();
    auto* graph = Opened<TfrmShowcell>(context, "cell graph");
    graph->seCell->setValue(2);
    graph->seChan->setValue(std::min(graph->seChan->maximum(), 20));
    if (auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
        sub->resize(size);
    Settle();
    return graph;
}

QWidget* Frame(TfrmShowcell* graph)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    return sub ? static_cast<QWidget*>(sub) : graph;
}

} // namespace

void CellGraphSmallShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miViewChannelgraphClick();
    auto* graph = Opened<TfrmShowcell>(context, "cell graph");
    SaveShot(context, Frame(graph), QStringLiteral("cell-graph-small"));
}

void CellGraphFitShot(TShotContext& context)
{
    TfrmShowcell* graph = OpenGraph(context, QSize(760, 480));
    graph->cbNegativeUp->setChecked(true);
    graph->cbAxes->setChecked(true);
    graph->btnFitClick();
    SaveShot(context, Frame(graph), QStringLiteral("cell-graph-fit"));
}

void CellGraphCellsShot(TShotContext& context)
{
    TfrmShowcell* graph = OpenGraph(context, QSize(760, 480));
    graph->cbOverlay->setCurrentIndex(1);
    graph->cbAxes->setChecked(true);
    graph->btnFitClick();
    SaveShot(context, Frame(graph), QStringLiteral("cell-graph-cells"));
}

void CellGraphChannelsShot(TShotContext& context)
{
    TfrmShowcell* graph = OpenGraph(context, QSize(760, 480));
    graph->cbOverlay->setCurrentIndex(2);
    graph->cbAxes->setChecked(true);
    graph->btnFitClick();
    SaveShot(context, Frame(graph), QStringLiteral("cell-graph-channels"));
}

void CellGraphClippedShot(TShotContext& context)
{
    TfrmShowcell* graph = OpenGraph(context, QSize(760, 480));
    graph->cbRange->setCurrentText(QStringLiteral("10"));
    graph->cbClipped->setChecked(true);
    graph->cbAxes->setChecked(true);
    SaveShot(context, Frame(graph), QStringLiteral("cell-graph-clipped"));
}

void PictureSizeShot(TShotContext& context)
{
    TfrmPictureSize dialog(QSize(640, 320), &context.Window);
    dialog.show();
    SaveShot(context, &dialog, QStringLiteral("picture-size"));
}

void CellGraphShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miViewChannelgraphClick();
    auto* graph = Opened<TfrmShowcell>(context, "cell graph");
    // The plot spans +-450 uV; a larger window and a channel with a strong late wave (target
    // cell) show the few microvolts of the demo waveform best.
    graph->seCell->setValue(2);
    graph->seChan->setValue(std::min(graph->seChan->maximum(), 20));
    graph->seYgrid->setValue(20);
    auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    if (sub)
        sub->resize(720, 460);
    SaveShot(context, sub ? static_cast<QWidget*>(sub) : graph, QStringLiteral("cell-graph"));
}

void TextExportShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miFileToTextClick();
    SaveShot(context, Opened<TfrmTextexport>(context, "text export"), QStringLiteral("text-export"));
}

void StatsExportShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miFileToStatsClick();
    auto* stats = Opened<TfrmStatexport>(context, "stats export");
    stats->btnAllChannelsClick();
    SaveShot(context, stats, QStringLiteral("stats-export"));
}

void MeasureShot(TShotContext& context)
{
    OpenDemo(context);
    context.Window.miToolsMeasureClick();
    auto* measure = Opened<TfrmMeasure>(context, "measure");
    // The late wave of the target cell: a window around it, its peak marked.
    measure->edtWindowStart->setText(QStringLiteral("300"));
    measure->edtWindowEnd->setText(QStringLiteral("600"));
    measure->chkPeak->setChecked(true);
    measure->seCell->setValue(2);
    measure->seChannel->setValue(20);
    measure->UpdatePreview();
    SaveShot(context, measure, QStringLiteral("measure"));
}

namespace {

// The measure window on the target cell of subject 9, channel 5 (a large late wave) from
// start to end ms with the given measures chosen; its picture saved alone.
void MeasurePictureShot(TShotContext& context, const QString& start, const QString& end,
                        std::vector<QCheckBox*> (*boxes)(TfrmMeasure&), const QString& name)
{
    OpenDemo(context);
    context.Window.miToolsMeasureClick();
    auto* measure = Opened<TfrmMeasure>(context, "measure");
    measure->edtWindowStart->setText(start);
    measure->edtWindowEnd->setText(end);
    measure->chkMean->setChecked(false);
    for (QCheckBox* box : boxes(*measure))
        box->setChecked(true);
    measure->seCell->setValue(2);
    measure->seObservation->setValue(9);
    measure->seChannel->setValue(5);
    measure->UpdatePreview();
    SaveShot(context, measure->lblPicture, name);
}

} // namespace

void MeasureAreasShot(TShotContext& context)
{
    MeasurePictureShot(
        context, QStringLiteral("0"), QStringLiteral("700"),
        [](TfrmMeasure& w) { return std::vector<QCheckBox*>{w.measureChoices->chkPositiveArea, w.measureChoices->chkNegativeArea}; },
        QStringLiteral("measure-areas"));
}

void MeasureFractionalAreaShot(TShotContext& context)
{
    MeasurePictureShot(
        context, QStringLiteral("250"), QStringLiteral("700"),
        [](TfrmMeasure& w) { return std::vector<QCheckBox*>{w.measureChoices->chkFractionalArea}; },
        QStringLiteral("measure-fractional-area"));
}

void MeasureFractionalPeakShot(TShotContext& context)
{
    MeasurePictureShot(
        context, QStringLiteral("150"), QStringLiteral("700"),
        [](TfrmMeasure& w) { return std::vector<QCheckBox*>{w.measureChoices->chkFractionalPeak}; },
        QStringLiteral("measure-fractional-peak"));
}

namespace {

// The artifact window on the demo session (beside the demo average), rules detected.
TfrmArtifacts* OpenArtifacts(TShotContext& context)
{
    QString session = context.DemoPath;
    session.replace(session.size() - 4, 4, QStringLiteral(".ses"));
    context.Window.OpenFile(session);
    if (!context.Window.CurrentFile)
        throw EORVAError(TextToNative(session), "The demo session did not open");
    context.Window.miToolsArtifactsClick();
    auto* window = Opened<TfrmArtifacts>(context, "artifact detection");
    window->edtPeakToPeak->setText(QStringLiteral("100"));
    window->edtFlat->setText(QStringLiteral("0.5"));
    window->btnDetect->click();
    window->twTrials->selectRow(4); // cell 1, trial 5: a blink
    window->twTrials->scrollToItem(window->twTrials->item(4, 0));
    Settle();
    return window;
}

} // namespace

void ArtifactsShot(TShotContext& context)
{
    SaveShot(context, OpenArtifacts(context), QStringLiteral("artifacts"));
}

void ArtifactTrialShot(TShotContext& context)
{
    TfrmArtifacts* window = OpenArtifacts(context);
    window->btnShowTrialClick();
    window->hide();
    auto* graph = Opened<TfrmShowcell>(context, "cell graph");
    if (auto* sub = qobject_cast<QMdiSubWindow*>(graph->parentWidget()))
        sub->resize(QSize(760, 480));
    graph->cbAxes->setChecked(true);
    graph->btnFitClick();
    Settle();
    SaveShot(context, Frame(graph), QStringLiteral("artifact-trial"));
}

} // namespace orva::ui::shots
