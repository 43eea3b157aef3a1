#pragma once
// Scripted answers for the program's message boxes and file dialogs, and a record of
// every message shown, so that GUI tests run without a user.
#include "ui/UserDialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace orva::test {

/// One message box or question as the user would have seen it.
struct TShownMessage {
    QString Text;
    QString Caption;
    ui::TMessageIcon Icon;
    bool Question = false; ///< a Yes/No box rather than an OK box
    ui::TDefaultAnswer Default = ui::TDefaultAnswer::Yes; ///< what Enter would answer a question
};

/// One file dialog as it was opened.
struct TFileDialogCall {
    bool Save = false;
    QString InitialFolder;
    QString Title;
    QString ProposedName;
};

/// Answers from queues filled by the test. An empty queue answers No / Cancel, so a
/// question the test did not expect shows up as a refused step and in Messages.
class TScriptedDialogs : public ui::TUserDialogs {
public:
    void ShowMessage(QWidget*, const QString& text, const QString& caption, ui::TMessageIcon icon) override
    {
        Messages.push_back({text, caption, icon, false});
    }
    bool AskYesNo(QWidget*, const QString& text, const QString& caption, ui::TMessageIcon icon,
                  ui::TDefaultAnswer defaultAnswer = ui::TDefaultAnswer::Yes) override
    {
        Messages.push_back({text, caption, icon, true, defaultAnswer});
        return Take(YesNoAnswers).value_or(false);
    }
    std::optional<QString> GetOpenFileName(QWidget*, const QString& initialFolder) override
    {
        FileDialogs.push_back({false, initialFolder, QString(), QString()});
        return Take(OpenNames).value_or(std::nullopt);
    }
    std::optional<QString> GetSaveFileName(QWidget*, const QString& initialFolder, const QString& title,
                                           const QString& proposedName) override
    {
        FileDialogs.push_back({true, initialFolder, title, proposedName});
        return Take(SaveNames).value_or(std::nullopt);
    }

    /// The next answers, in order; std::nullopt in a name queue is a cancelled dialog.
    std::deque<std::optional<QString>> OpenNames;
    std::deque<std::optional<QString>> SaveNames;
    std::deque<bool> YesNoAnswers;

    std::vector<TShownMessage> Messages;
    std::vector<TFileDialogCall> FileDialogs;

    /// The texts of the messages shown, for readable assertion failures.
    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const auto& m : Messages)
            texts.append(m.Caption + QStringLiteral(": ") + m.Text);
        return texts;
    }

private:
    template <typename T>
    static std::optional<T> Take(std::deque<T>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

} // namespace orva::test
