// The main window's tool commands: low-pass filter, channel-order conversion, scattering.
#include "ui/UfrmETMain.h"

#include "tools/ChannelMapFile.h"
#include "tools/LowPassFilter.h"
#include "tools/MappingFileLocation.h"
#include "tools/ScatterCells.h"
#include "ui/ConversionNote.h"
#include "plot/QtText.h"
#include "ui/UfrmFilter.h"
#include "ui/WindowProgress.h"

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
