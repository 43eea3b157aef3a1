// The main window's document commands: open, close, save as, header, about.
#include "ui/UfrmETMain.h"

#include "plot/QtText.h"
#include "ui/UfrmAbout.h"
#include "ui/UfrmMemo.h"
#include "ui/ViewSupport.h"
#include "ui/WindowProgress.h"

#include <QFileInfo>
#include <QMdiSubWindow>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

void TfrmETMain::miFileOpenClick()
{
    if (IsBusy())
        return;
    const std::optional<QString> path = dialogs_.GetOpenFileName(this, ProgramDir);
    if (path)
        OpenFile(*path);
}

void TfrmETMain::OpenFile(const QString& path)
{
    if (IsBusy())
        return;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    auto file = std::make_shared<TORVAFile>();
    TDialogLengthQuestion question(dialogs_, this);
    // The new file is checked before the open document is touched: a refused file
    // leaves the open one, its windows and the title as they are.
    const std::string problem = file->CheckFile(TextToPath(fullPath), &question);
    if (!problem.empty()) {
        dialogs_.ShowMessage(this, QStringLiteral("Error while opening ") + fullPath + QStringLiteral(": ") +
                                       NativeToText(problem),
                             QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    if (!CloseDocument())
        return; // the user keeps the unsaved document: the new file is not loaded
    {
        TBusyScope busy(*this);
        TWindowProgress progress(this);
        file->LoadFromFile(TextToPath(fullPath), &progress);
    }
    CurrentFile = std::move(file);
    UpdateMenus();
    SetTitle();
}

void TfrmETMain::OpenStartFile(const QStringList& arguments)
{
    if (arguments.size() > 1)
        RunCommand([&] { OpenFile(arguments.at(1)); });
}

void TfrmETMain::miFileCloseClick()
{
    CloseDocument();
}

bool TfrmETMain::CloseDocument()
{
    if (IsBusy())
        return false;
    if (CurrentFile) {
        if (!CurrentFile->Saved &&
            !dialogs_.AskYesNo(this,
                               NativeToText(CurrentFile->FileName) +
                                   QStringLiteral(" not saved, do you want to discard changes ?"),
                               QStringLiteral("Warning ! File not Saved"), TMessageIcon::Warning,
                               TDefaultAnswer::No)) // Enter keeps the data
            return false;
        if (!CloseAllChildren())
            return false;
        CurrentFile.reset();
    }
    UpdateMenus();
    SetTitle();
    return true;
}

QString TfrmETMain::DocumentFolder() const
{
    return CurrentFile ? ui::DocumentFolder(*CurrentFile) : ProgramDir;
}

std::optional<QString> TfrmETMain::AskSaveName(const QString& title)
{
    return dialogs_.GetSaveFileName(this, DocumentFolder(), title);
}

void TfrmETMain::miFileSaveasClick()
{
    if (IsBusy() || !CurrentFile)
        return;
    const std::optional<QString> path = AskSaveName();
    if (!path)
        return;
    // The document keeps the name it was opened with, so the title does not change.
    const std::shared_ptr<TORVAFile> file = CurrentFile;
    TBusyScope busy(*this);
    TWindowProgress progress(this);
    file->SaveToFile(TextToPath(*path), &progress);
}

void TfrmETMain::miViewFileheaderClick()
{
    if (!CurrentFile)
        return;
    std::vector<std::string> lines;
    CurrentFile->GetHeaderText(lines);
    auto* memo = new TfrmMemo;
    memo->setWindowTitle(NativeToText(CurrentFile->FileName) + QStringLiteral(" file header"));
    memo->SetLines(lines);
    AddChildWindow(memo)->resize(308, 231);
}

void TfrmETMain::miAboutClick()
{
    TfrmAbout about(this);
    about.exec();
}

} // namespace orva::ui
