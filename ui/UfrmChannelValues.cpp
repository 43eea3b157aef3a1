#include "ui/UfrmChannelValues.h"

#include "plot/QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orva::ui {

TfrmChannelValues::TfrmChannelValues(TUserDialogs& dialogs, TMapTime* time, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs), time_(time)
{
    setObjectName("frmChannelValues");
    setWindowTitle(QStringLiteral("Channel values"));
    StringGrid1 = new QTableWidget(0, 3, this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Chan."), QStringLiteral("Name"), QStringLiteral("\u00B5V")});
    StringGrid1->verticalHeader()->hide();
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Time = new TTimeSlider(time, this);
    btnCopy = new QPushButton(QStringLiteral("&Copy"), this);
    btnCopy->setObjectName("btnCopy");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1, 1);
    layout->addWidget(Time);
    layout->addWidget(btnCopy, 0, Qt::AlignRight);
    resize(330, 420);
    connect(btnCopy, &QPushButton::clicked, this, &TfrmChannelValues::btnCopyClick);
    connect(time_, &TMapTime::Changed, this, &TfrmChannelValues::Fill);
}

void TfrmChannelValues::SetFile(std::weak_ptr<TORVAFile> file, std::vector<std::string> names)
{
    document_.Set(file);
    names_ = std::move(names);
    Time->SetFile(file);
    Fill();
}

void TfrmChannelValues::Fill()
{
    const auto file = document_.Lock(this, dialogs_);
    if (!file || time_->Cell >= static_cast<int>(file->Cells.size()))
        return;
    const TORVACell& cell = file->Cells[static_cast<std::size_t>(time_->Cell)];
    const bool hasSample = time_->Obs < cell.NumObservations && time_->Sample < cell.SamplesPerObservation;
    const int channels = file->NumChannels();
    StringGrid1->setRowCount(channels);
    const QLocale locale;
    for (int h = 0; h < channels; ++h) {
        const QString value = hasSample ? locale.toString(CalibratedValue(*file, cell.Data(time_->Obs, time_->Sample, h), h), 'f', 3)
                                        : QString();
        const QString name = h < static_cast<int>(names_.size()) ? plot::NativeToText(names_[static_cast<std::size_t>(h)])
                                                                 : QString();
        const QString texts[] = {QString::number(h + 1), name, value};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column != 1)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            StringGrid1->setItem(h, column, item);
        }
    }
    StringGrid1->resizeColumnsToContents();
    if (hasSample && cell.SamplesPerSecond > 0)
        setWindowTitle(QStringLiteral("Channel values - ") + MomentText(*file, *time_));
}

QString TfrmChannelValues::TableText() const
{
    QStringList lines;
    QStringList headings;
    for (int column = 0; column < StringGrid1->columnCount(); ++column)
        headings << StringGrid1->horizontalHeaderItem(column)->text();
    lines << headings.join(QLatin1Char('\t'));
    for (int row = 0; row < StringGrid1->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < StringGrid1->columnCount(); ++column)
            cells << (StringGrid1->item(row, column) ? StringGrid1->item(row, column)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TfrmChannelValues::btnCopyClick()
{
    QApplication::clipboard()->setText(TableText());
}

} // namespace orva::ui
