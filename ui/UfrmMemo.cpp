#include "ui/UfrmMemo.h"

#include "plot/QtText.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

TfrmMemo::TfrmMemo(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The header report pads its columns with blanks: they line up only in a fixed-pitch font.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void TfrmMemo::SetLines(const std::vector<std::string>& lines)
{
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines)
        text.append(NativeToText(line));
    Memo1->setPlainText(text.join(QLatin1Char('\n')));
}

QStringList TfrmMemo::Lines() const
{
    return Memo1->toPlainText().split(QLatin1Char('\n'));
}

} // namespace orva::ui
