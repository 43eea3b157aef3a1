#pragma once
#include <QString>

#include <optional>

class QWidget;

namespace orva::ui {

enum class TMessageIcon { Error, Warning, Information };

/// The answer of a Yes/No question that Enter gives (its default button).
enum class TDefaultAnswer { Yes, No };

/// Every message box and file dialog of the program goes through this interface:
/// the program uses TQtDialogs, the tests substitute scripted answers.
class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    /// A message box with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon) = 0;
    /// A message box with Yes and No; true means Yes. Enter answers defaultAnswer, Esc No.
    virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon,
                          TDefaultAnswer defaultAnswer = TDefaultAnswer::Yes) = 0;
    /// The open dialog: filter "all files (*.*)", existing files only, resizable.
    /// Nothing when cancelled.
    virtual std::optional<QString> GetOpenFileName(QWidget* parent, const QString& initialFolder) = 0;
    /// The save dialog: filter "all files (*.*)", resizable, no default extension, no question
    /// before replacing a file; an empty title keeps the platform's; proposedName (a name
    /// without folder), when given, fills the name box. Nothing when cancelled.
    virtual std::optional<QString> GetSaveFileName(QWidget* parent, const QString& initialFolder,
                                                   const QString& title = QString(),
                                                   const QString& proposedName = QString()) = 0;
};

/// The real Qt dialogs.
class TQtDialogs : public TUserDialogs {
public:
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, TMessageIcon icon,
                  TDefaultAnswer defaultAnswer = TDefaultAnswer::Yes) override;
    std::optional<QString> GetOpenFileName(QWidget* parent, const QString& initialFolder) override;
    std::optional<QString> GetSaveFileName(QWidget* parent, const QString& initialFolder,
                                           const QString& title = QString(),
                                           const QString& proposedName = QString()) override;
};

} // namespace orva::ui
