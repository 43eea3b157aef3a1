#include "ui/UfrmTextexport.h"

#include "plot/QtText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

QRadioButton* Radio(QGroupBox* box, const char* name, const QString& text, const QString& accessibleName = {})
{
    auto* radio = new QRadioButton(text, box);
    radio->setObjectName(QString::fromLatin1(name));
    if (!accessibleName.isEmpty())
        radio->setAccessibleName(accessibleName);
    return radio;
}

// A group box with its caption-less radio button and spin edit on the first row.
QGroupBox* ChoiceBox(QWidget* parent, const char* name, const QString& title, QRadioButton*& one,
                     TArrowSpinEdit*& spin, const char* oneName, const char* spinName)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QString::fromLatin1(name));
    one = Radio(box, oneName, QString(), QStringLiteral("One ") + title.trimmed());
    one->setChecked(true);
    spin = new TArrowSpinEdit(box);
    spin->setObjectName(QString::fromLatin1(spinName));
    spin->setRange(1, 1);
    spin->setValue(1);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(one, 0, 0);
    grid->addWidget(spin, 0, 1);
    grid->setColumnStretch(1, 1);
    return box;
}

} // namespace

TfrmTextexport::TfrmTextexport(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setWindowTitle(QStringLiteral("Export to text file"));

    cbHeader = new QCheckBox(QStringLiteral("Include text header"), this);
    cbHeader->setObjectName(QStringLiteral("cbHeader"));
    cbHeader->setChecked(true);

    gbCell = ChoiceBox(this, "gbCell", QStringLiteral(" Cell "), rbCellOne, seCell, "rbCellOne", "seCell");
    rbCellAll = Radio(gbCell, "rbCellAll", QStringLiteral("All"));
    gbObservation = ChoiceBox(this, "gbObservation", QStringLiteral(" Observation "), rbObsOne, seObs, "rbObsOne",
                              "seObs");
    rbObsAll = Radio(gbObservation, "rbObsAll", QStringLiteral("All"));
    rbObsAverage = Radio(gbObservation, "rbObsAverage", QStringLiteral("Average"));
    gbChannel = ChoiceBox(this, "gbChannel", QStringLiteral(" Channel "), rbChanOne, seChan, "rbChanOne", "seChan");
    rbChanAll = Radio(gbChannel, "rbChanAll", QStringLiteral("All"));
    for (auto [box, radio, row] : {std::tuple{gbCell, rbCellAll, 1}, std::tuple{gbObservation, rbObsAll, 1},
                                   std::tuple{gbObservation, rbObsAverage, 2}, std::tuple{gbChannel, rbChanAll, 1}})
        static_cast<QGridLayout*>(box->layout())->addWidget(radio, row, 0, 1, 2);
    for (QGroupBox* box : {gbCell, gbChannel})
        static_cast<QGridLayout*>(box->layout())->setRowStretch(2, 1);

    btnSaveas = new QPushButton(QStringLiteral("Save as..."), this);
    btnSaveas->setObjectName(QStringLiteral("btnSaveas"));
    btnSaveas->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(8);
    boxes->addWidget(gbCell, 1);
    boxes->addWidget(gbObservation, 1);
    boxes->addWidget(gbChannel, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSaveas);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(4);
    layout->addWidget(cbHeader);
    layout->addLayout(boxes, 1);
    layout->addLayout(buttons);
    setFixedSize(kClientWidth, kClientHeight);

    connect(seCell, &QSpinBox::valueChanged, this, [this] { seCellChange(); });
    connect(btnSaveas, &QPushButton::clicked, this, [this] { btnSaveasClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmTextexport::SetFile(std::weak_ptr<TORVAFile> file)
{
    document_.Set(std::move(file));
    auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    // Without cells or channels the spin edits keep the range 1..1 and are disabled.
    {
        const QSignalBlocker block(seCell);
        seCell->setMaximum(std::max(1, f->NumCells()));
    }
    seChan->setMaximum(std::max(1, f->NumChannels()));
    seCell->setEnabled(f->NumCells() > 0);
    seChan->setEnabled(f->NumChannels() > 0);
    seCellChange();
}

void TfrmTextexport::seCellChange()
{
    auto file = document_.Lock(this, dialogs_);
    if (!file)
        return;
    const auto cell = static_cast<std::size_t>(seCell->value() - 1);
    const int n = cell < file->Cells.size() ? file->Cells[cell].NumObservations : 0;
    if (seObs->value() > n)
        seObs->setValue(std::max(1, n));
    seObs->setMaximum(std::max(1, n));
    seObs->setEnabled(n > 0);
}

TTextExportOptions TfrmTextexport::Options() const
{
    TTextExportOptions o;
    o.IncludeHeader = cbHeader->isChecked();
    o.AllCells = rbCellAll->isChecked();
    o.ChosenCell = seCell->value();
    o.ObservationMode = rbObsAll->isChecked() ? omAll : rbObsAverage->isChecked() ? omAverage : omOne;
    o.ChosenObservation = seObs->value();
    o.AllChannels = rbChanAll->isChecked();
    o.ChosenChannel = seChan->value();
    return o;
}

void TfrmTextexport::btnSaveasClick()
{
    const TTextExportOptions options = Options();
    const char separator = DecimalSeparator();
    TExportRun run;
    run.Check = [&](const TORVAFile& file) { CheckTextExport(file, options); };
    run.Write = [&](const TORVAFile& file, TLineSink& sink) { WriteTextExport(file, options, separator, sink); };
    run.LineEnd = kCrLf;
    run.What = QStringLiteral("Average text file");
    if (RunExport(this, dialogs_, document_, run))
        close();
}

void TfrmTextexport::btnCancelClick()
{
    close();
}

} // namespace orva::ui
