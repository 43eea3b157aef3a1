#pragma once
// Pictures of the real windows for the documentation, taken by orva-screenshot.
#include "ui/UfrmETMain.h"
#include "ui/UserDialogs.h"

#include <QString>

#include <functional>
#include <vector>

namespace orva::ui::shots {

/// What every shot gets: a fresh main window (shown, no document), the demo file, the folder.
struct TShotContext {
    TfrmETMain& Window;
    QString DemoPath;
    QString OutDir;
};

/// Writes the picture of widget to OutDir/<name>.png; returns the file written.
/// Throws an EORVAError naming the file when it cannot be written.
QString SaveShot(const TShotContext& context, QWidget* widget, const QString& name);

/// Lets pending painting and layout run so that the picture shows the finished window.
void Settle();

/// The main window with the demo file open and its header window: main-window.png.
void MainWindowShot(TShotContext& context);
/// The filter dialog as it opens: filter-dialog.png.
void FilterDialogShot(TShotContext& context);
/// Tools > Filters... on the demo file, a low-pass previewed on a late wave: band-filter.png.
void BandFilterShot(TShotContext& context);
/// The about box: about-box.png.
void AboutBoxShot(TShotContext& context);

/// One shot: its name on the command line and the function that takes it.
struct TShot {
    QString Name;
    std::function<void(TShotContext&)> Take;
};

/// Every shot, in the order they are taken. Shots of further windows are added here.
std::vector<TShot> AllShots();

/// Dialogs that never wait for a user: messages go to stderr, questions are answered No,
/// file dialogs are cancelled.
class TUnattendedDialogs : public TUserDialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon,
                  TDefaultAnswer defaultAnswer = TDefaultAnswer::Yes) override;
    std::optional<QString> GetOpenFileName(QWidget* parent, const QString& initialFolder) override;
    std::optional<QString> GetSaveFileName(QWidget* parent, const QString& initialFolder,
                                           const QString& title = QString(),
                                           const QString& proposedName = QString()) override;
    /// Number of messages shown: a shot that produced one has failed.
    int Messages = 0;
};

} // namespace orva::ui::shots
