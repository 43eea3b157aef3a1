// The main window's tool commands: low-pass filter, band filters, channel-order conversion,
// scattering.
#include "ui/UfrmETMain.h"

#include "tools/BandFilter.h"
#include "tools/ChannelMapFile.h"
#include "tools/LowPassFilter.h"
#include "tools/MappingFileLocation.h"
#include "tools/ScatterCells.h"
#include "ui/ConversionNote.h"
#include "plot/QtText.h"
#include "ui/MapTime.h"
#include "ui/UfrmBandFilter.h"
#include "ui/UfrmFilter.h"
#include "ui/UfrmShowcell.h"
#include "ui/WindowProgress.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

void TfrmETMain::miToolsLPFilterClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    QString text;
    {
        TfrmFilter dialog(this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        text = dialog.CutoffText();
    }
    const std::optional<float> cutoff = ParseCutoffText(TextToNative(text));
    if (!cutoff) {
        dialogs_.ShowMessage(this, QStringLiteral("'") + text + QStringLiteral("' is not a valid cut-off frequency"),
                             QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    // The filter marks the document not saved, so Close asks before the result is lost.
    if (const std::int64_t clamped = LowPassFilter(*CurrentFile, *cutoff))
        dialogs_.ShowMessage(this, NativeToText(ClampedValuesText(clamped)), QStringLiteral("Warning"),
                             TMessageIcon::Warning);
}

namespace {

// The preview starts on the cell graph's trace and scales, when one is open.
TPreviewStart PreviewStart(const TfrmShowcell* graph)
{
    TPreviewStart start;
    if (graph) {
        start.Cell = graph->seCell->value() - 1;
        start.Observation = graph->seObs->value() - 1;
        start.Channel = graph->seChan->value() - 1;
        start.Scales = graph->Options();
    }
    return start;
}

} // namespace

void TfrmETMain::miToolsBandFilterClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    TBandFilterOptions options;
    {
        TfrmBandFilter dialog(this, dialogs_, *CurrentFile, PreviewStart(CellGraph()));
        if (dialog.exec() != QDialog::Accepted)
            return;
        options = dialog.Options();
    }
    TErpResult result;
    {
        TBusyScope busy(*this);
        TWindowProgress progress(this);
        progress.Begin("Filtering");
        result = BandFilter(*CurrentFile, options);
    }
    // The filtered document takes the open one's place under its name, not saved, so that
    // Save as writes it and Close asks; the windows on it keep their document.
    result.File.FullFileName = CurrentFile->FullFileName;
    result.File.FileName = CurrentFile->FileName;
    result.File.Saved = false;
    *CurrentFile = std::move(result.File);
    for (QMdiSubWindow* window : mdiArea_->subWindowList())
        if (auto* graph = qobject_cast<TfrmShowcell*>(window->widget()))
            graph->seCellChange();
    if (mapTime_)
        emit mapTime_->Changed();
    QStringList remarks;
    if (result.Clamped > 0)
        remarks.append(NativeToText(ClampedValuesText(result.Clamped)));
    for (const auto& note : result.Notes)
        remarks.append(NativeToText(note));
    if (!remarks.isEmpty())
        dialogs_.ShowMessage(this, remarks.join(QStringLiteral("\n")), QStringLiteral("Warning"),
                             TMessageIcon::Warning);
}

void TfrmETMain::miToolsConvertGSNClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    const std::optional<QString> path = AskSaveName();
    if (!path)
        return;
    const std::shared_ptr<TORVAFile> file = CurrentFile;
    int ignoredLines = 0;
    const ChannelMap map = ReadChannelMap(FindMappingFile(TextToPath(ProgramDir)), file->NumChannels(), &ignoredLines);
    {
        TBusyScope busy(*this);
        TWindowProgress progress(this);
        file->SaveRemapped(TextToPath(*path), map, &progress);
    }
    // A map that changes nothing, or lines that were skipped, would otherwise go unnoticed.
    const QString note = ConversionNote(map, ignoredLines, QStringLiteral("GSNv2tov1.txt"), *path);
    if (!note.isEmpty())
        dialogs_.ShowMessage(this, note, QStringLiteral("Warning"), TMessageIcon::Warning);
}

void TfrmETMain::miToolsScattercellsClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    const std::optional<QString> path = AskSaveName(QStringLiteral("Scatter cells as..."));
    if (!path)
        return;
    const std::shared_ptr<TORVAFile> file = CurrentFile;
    TBusyScope busy(*this);
    TWindowProgress progress(this);
    ScatterCells(*file, TextToPath(*path), &progress);
}

} // namespace orva::ui
