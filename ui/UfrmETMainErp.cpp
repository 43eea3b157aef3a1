// The main window's ERP operations: each dialog fills the options of its operation, the
// operation builds a new document from the open one (or from chosen average files), and
// the result is written where the save dialog says. The open document stays as it was.
#include "ui/UfrmETMain.h"

#include "model/ORVAError.h"
#include "head/SensorPositions.h"
#include "tools/ChannelInterpolation.h"
#include "tools/ErpCombine.h"
#include "tools/FilterTexts.h"
#include "plot/QtText.h"
#include "ui/UfrmErp.h"
#include "ui/UfrmInterpolate.h"
#include "ui/WindowProgress.h"

#include <QCheckBox>
#include <QRadioButton>

namespace orva::ui {

using namespace orva::plot; // the text helpers of the cell graph's picture, plot/

void TfrmETMain::WriteErpResult(TErpResult result, const QString& title)
{
    const std::optional<QString> path = AskSaveName(title);
    if (!path)
        return;
    {
        TBusyScope busy(*this);
        TWindowProgress progress(this);
        result.File.SaveToFile(TextToPath(*path), &progress);
    }
    QStringList remarks;
    if (result.Clamped > 0)
        remarks.append(NativeToText(ClampedValuesText(result.Clamped, "computed")));
    for (const auto& note : result.Notes)
        remarks.append(NativeToText(note));
    if (!remarks.isEmpty())
        dialogs_.ShowMessage(this, remarks.join(QStringLiteral("\n")), QStringLiteral("Warning"),
                             TMessageIcon::Warning);
}

namespace {

// Shows the dialog; the options it gives, or nothing when cancelled or unreadable.
template <class TDialog>
auto AskOptions(TDialog& dialog, TUserDialogs& dialogs, QWidget* parent) -> decltype(dialog.Read().Options)
{
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    auto read = dialog.Read();
    if (!read.Options)
        dialogs.ShowMessage(parent, read.Problem, QStringLiteral("Error"), TMessageIcon::Error);
    return read.Options;
}

} // namespace

void TfrmETMain::miErpAverageClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    TfrmErpAverage dialog(this);
    if (const auto options = AskOptions(dialog, dialogs_, this))
        WriteErpResult(AverageSession(*CurrentFile, *options), QStringLiteral("Save the average file as..."));
}

void TfrmETMain::miErpBaselineClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    TfrmErpBaseline dialog(this, CurrentFile->IsAverageFile());
    if (const auto options = AskOptions(dialog, dialogs_, this))
        WriteErpResult(CorrectBaseline(*CurrentFile, *options), QStringLiteral("Save the corrected file as..."));
}

void TfrmETMain::miErpDifferenceClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    TfrmErpDifference dialog(this, CurrentFile->NumCells());
    if (const auto options = AskOptions(dialog, dialogs_, this))
        WriteErpResult(DifferenceWave(*CurrentFile, *options), QStringLiteral("Save with the difference wave as..."));
}

void TfrmETMain::miErpReferenceClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    TfrmErpReference dialog(this);
    if (const auto excluded = AskOptions(dialog, dialogs_, this))
        WriteErpResult(AverageReference(*CurrentFile, *excluded), QStringLiteral("Save the re-referenced file as..."));
}

void TfrmETMain::miErpInterpolateClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    // The positions chosen with Tools > Sensor positions... come first; the dialog may change them.
    TfrmInterpolate dialog(this, dialogs_, PositionsFile, DocumentFolder());
    const auto choice = AskOptions(dialog, dialogs_, this);
    if (!choice)
        return;
    TInterpolationOptions options;
    options.Channels = choice->Channels;
    options.Excluded = choice->Excluded;
    options.PositionsFile = choice->Positions;
    options.Sensors = ReadSensorPositions(choice->Positions);
    WriteErpResult(InterpolateChannels(*CurrentFile, options), QStringLiteral("Save the repaired file as..."));
}

void TfrmETMain::miErpFilesClick()
{
    if (IsBusy())
        return;
    TfrmErpFiles dialog(this, dialogs_, DocumentFolder());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList paths = dialog.Files();
    std::vector<TORVAFile> files(static_cast<std::size_t>(paths.size()));
    {
        TBusyScope busy(*this);
        TWindowProgress progress(this);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            TORVAFile& file = files[static_cast<std::size_t>(i)];
            const std::string problem = file.CheckFile(TextToPath(paths[i]));
            if (!problem.empty())
                throw EORVAError(TextToNative(paths[i]), problem);
            file.LoadFromFile(TextToPath(paths[i]), &progress);
        }
    }
    std::vector<const TORVAFile*> inputs;
    for (const auto& f : files)
        inputs.push_back(&f);
    if (dialog.rbGrandAverage->isChecked())
        WriteErpResult(GrandAverage(inputs, dialog.chkWeighted->isChecked()),
                       QStringLiteral("Save the grand average as..."));
    else
        WriteErpResult(CombineAverages(inputs), QStringLiteral("Save the combined file as..."));
}

} // namespace orva::ui
