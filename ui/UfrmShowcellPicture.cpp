// The cell graph's pictures and data out: the plot saved as PNG or SVG, the value table on
// the clipboard, and the table's columns as wide as their values.
#include "ui/UfrmShowcell.h"

#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#include "ui/UfrmPictureSize.h"
#include "ui/ViewSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

void TfrmShowcell::miSavePictureClick()
{
    SavePicture(Image1->Bitmap.size());
}

void TfrmShowcell::miSavePictureSizedClick()
{
    QSize size;
    {
        TfrmPictureSize dialog(Image1->Bitmap.size(), this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        size = dialog.ChosenSize();
    }
    SavePicture(size);
}

void TfrmShowcell::SavePicture(QSize size)
{
    auto file = document_.Lock(this, dialogs_);
    if (!file || size.isEmpty())
        return;
    const auto path = dialogs_.GetSaveFileName(this, DocumentFolder(*file), QStringLiteral("Save picture as..."));
    if (!path)
        return;
    // The picture shows the document as it is now (a filter may have changed it since).
    CellChange();
    try {
        SavePlotPicture(*path, size, scene_);
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(this, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
    }
}

QString TfrmShowcell::TableText() const
{
    QString text;
    const int columns = StringGrid1->columnCount();
    for (int c = 0; c < columns; ++c)
        text += (c ? QStringLiteral("\t") : QString()) + StringGrid1->horizontalHeaderItem(c)->text();
    text += QLatin1Char('\n');
    for (int r = 0; r < StringGrid1->rowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTableWidgetItem* item = StringGrid1->item(r, c);
            text += (c ? QStringLiteral("\t") : QString()) + (item ? item->text() : QString());
        }
        text += QLatin1Char('\n');
    }
    return text;
}

void TfrmShowcell::miCopyTableClick()
{
    QApplication::clipboard()->setText(TableText());
}

void TfrmShowcell::FitColumns()
{
    // A cut number is a wrong number: each column is at least 40 pixels and as wide as its
    // widest text with the margins the style draws around it.
    const QFontMetrics fm(StringGrid1->font());
    const int margin = 2 * (StringGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid1) + 1);
    int total = 0;
    for (int c = 0; c < StringGrid1->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < StringGrid1->rowCount(); ++r)
            if (const QTableWidgetItem* item = StringGrid1->item(r, c))
                widest = std::max(widest, fm.horizontalAdvance(item->text()));
        const int width = std::max(40, widest + margin + 2);
        if (StringGrid1->columnWidth(c) != width)
            StringGrid1->setColumnWidth(c, width);
        total += width;
    }
    const int scrollBar = StringGrid1->verticalScrollBar()->sizeHint().width();
    const int tableWidth = std::max(kTableWidth, total + scrollBar);
    if (StringGrid1->width() != tableWidth)
        StringGrid1->setFixedWidth(tableWidth);
}

} // namespace orva::ui
