// The main window's exports of the whole document to the recording formats that analysis
// tools read: BrainVision and EDF+.
#include "ui/UfrmETMain.h"

#include "formats/BrainVisionExport.h"
#include "formats/EdfExport.h"
#include "plot/QtText.h"
#include "ui/ViewSupport.h"

#include <QFileInfo>

namespace orva::ui {

using namespace orva::plot; // the text helpers of the cell graph's picture, plot/

// What differs between the two formats.
struct TRecordingFormat {
    QString What;      // names the output in the messages
    QString Title;     // of the save dialog
    QString Extension; // proposed, and added to a name typed without one
    void (*Check)(const TORVAFile&, const TEpochLayout&, const std::vector<std::string>&);
    void (*Write)(const TORVAFile&, const TEpochLayout&, const std::vector<std::string>&,
                  const std::filesystem::path&);
};

namespace {

void CheckBrainVision(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& names)
{
    ExportedChannelNames(file, layout, names);
}

} // namespace

// Everything in the document goes out, its channels named E1 ... En. A refusal is shown
// before the dialog; a write error comes through the general error handler.
void TfrmETMain::ExportRecording(const TRecordingFormat& format)
{
    if (IsBusy() || !CurrentFile)
        return;
    const std::shared_ptr<TORVAFile> file = CurrentFile;
    TEpochLayout layout;
    const std::vector<std::string> names = DefaultChannelNames(file->NumChannels());
    try {
        layout = LayOutEpochs(*file, {});
        format.Check(*file, layout, names);
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(this, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    const QString proposed = QFileInfo(NativeToText(file->FileName)).completeBaseName() + format.Extension;
    std::optional<QString> path = dialogs_.GetSaveFileName(this, DocumentFolder(), format.Title, proposed);
    if (!path) {
        dialogs_.ShowMessage(this, format.What + QStringLiteral(" not saved"), QStringLiteral("warning"),
                             TMessageIcon::Warning);
        return;
    }
    if (QFileInfo(*path).suffix().isEmpty())
        *path += format.Extension;
    {
        TBusyScope busy(*this);
        format.Write(*file, layout, names, TextToPath(*path));
    }
    dialogs_.ShowMessage(this, format.What + QStringLiteral(" saved"), QStringLiteral("warning"),
                         TMessageIcon::Information);
}

void TfrmETMain::miFileToBrainVisionClick()
{
    ExportRecording({QStringLiteral("BrainVision files"), QStringLiteral("Export to BrainVision as..."),
                     QStringLiteral(".vhdr"), CheckBrainVision, WriteBrainVision});
}

void TfrmETMain::miFileToEdfClick()
{
    ExportRecording({QStringLiteral("EDF+ file"), QStringLiteral("Export to EDF+ as..."), QStringLiteral(".edf"),
                     CheckEdf, WriteEdf});
}

} // namespace orva::ui
