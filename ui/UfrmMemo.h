#pragma once
// The header text window: a read-only text child window of the main window's frame.
#include <QWidget>

#include <string>
#include <vector>

class QPlainTextEdit;

namespace orva::ui {

/// Shows lines of text in the fixed-pitch system font, unwrapped, with both scroll bars.
/// The window discards itself when it closes.
class TfrmMemo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    /// Replaces the text with these lines (8-bit text of the core).
    void SetLines(const std::vector<std::string>& lines);
    /// The text shown, one entry per line.
    QStringList Lines() const;

    QPlainTextEdit* Memo1;
};

} // namespace orva::ui
