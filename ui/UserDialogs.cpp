// The real message boxes and file dialogs.
#include "ui/UserDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace orva::ui {

namespace {

// "all files (*.*)" on the desktop this program comes from matches every file; Qt reads the
// pattern literally and would hide names without a dot (such as the scattered "run_Cell1"),
// so the one filter matches every name.
const QString kAllFilesFilter = QStringLiteral("all files (*)");

QMessageBox::Icon BoxIcon(TMessageIcon icon)
{
    switch (icon) {
    case TMessageIcon::Error:
        return QMessageBox::Critical;
    case TMessageIcon::Warning:
        return QMessageBox::Warning;
    case TMessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

// The file dialogs keep no default extension and replace an existing file without asking.
std::optional<QString> RunFileDialog(QFileDialog& dialog)
{
    dialog.setNameFilter(kAllFilesFilter);
    dialog.setSizeGripEnabled(true);
    dialog.setDefaultSuffix(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

void TQtDialogs::ShowMessage(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool TQtDialogs::AskYesNo(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon,
                          TDefaultAnswer defaultAnswer)
{
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultAnswer == TDefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> TQtDialogs::GetOpenFileName(QWidget* parent, const QString& initialFolder)
{
    QFileDialog dialog(parent, QString(), initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunFileDialog(dialog);
}

std::optional<QString> TQtDialogs::GetSaveFileName(QWidget* parent, const QString& initialFolder,
                                                   const QString& title, const QString& proposedName)
{
    QFileDialog dialog(parent, title, initialFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);
    return RunFileDialog(dialog);
}

} // namespace orva::ui
