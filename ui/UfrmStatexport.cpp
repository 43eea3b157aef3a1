#include "ui/UfrmStatexport.h"

#include "export/LongTableExport.h"
#include "export/StatsExport.h"
#include "plot/QtText.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

template <class T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = Named(new QLabel(text, parent), name);
    label->setBuddy(buddy);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text)
{
    auto* button = Named(new QPushButton(text, parent), name);
    button->setAutoDefault(false);
    return button;
}

// A list box holds lists of any length: a QLineEdit would otherwise cut its text at 32767
// characters, and a cut number would become a bogus last entry.
QLineEdit* ListBox(QWidget* parent, const char* name)
{
    auto* box = Named(new QLineEdit(parent), name);
    box->setMaxLength(std::numeric_limits<int>::max());
    return box;
}

// Long lists show their beginning, as the user reads them.
void SetBoxText(QLineEdit* box, const std::string& text)
{
    box->setText(QString::fromStdString(text));
    box->setCursorPosition(0);
}

} // namespace

TfrmStatexport::TfrmStatexport(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setWindowTitle(QStringLiteral("Export to stats text file"));

    edtCells = ListBox(this, "edtCells");
    edtObservations = ListBox(this, "edtObservations");
    edtChannels = ListBox(this, "edtChannels");
    edtSamples = ListBox(this, "edtSamples");
    lblCells = Label(this, "lblCells", QStringLiteral("Cells:"), edtCells);
    lblObservations = Label(this, "lblObservations", QStringLiteral("Observations (subjects):"), edtObservations);
    lblChannels = Label(this, "lblChannels", QStringLiteral("Channels:"), edtChannels);
    lblSamples = Label(this, "lblSamples", QStringLiteral("Samples:"), edtSamples);
    btnAllChannels = Button(this, "btnAllChannels", QStringLiteral("All channels"));
    btnClearChannels = Button(this, "btnClearChannels", QStringLiteral("Clear channels"));
    btnAllSamples = Button(this, "btnAllSamples", QStringLiteral("All samples"));
    btnClearSamples = Button(this, "btnClearSamples", QStringLiteral("Clear samples"));
    seSampleFrom = Named(new QSpinBox(this), "seSampleFrom");
    seSampleTo = Named(new QSpinBox(this), "seSampleTo");
    for (QSpinBox* spin : {seSampleFrom, seSampleTo})
        spin->setRange(1, 1);
    lblSampleFrom = Label(this, "lblSampleFrom", QStringLiteral("from"), seSampleFrom);
    lblSampleTo = Label(this, "lblSampleTo", QStringLiteral("to"), seSampleTo);
    Panel1 = Named(new QFrame(this), "Panel1");
    Panel1->setFrameShape(QFrame::HLine);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setFixedHeight(2);
    btnExport = Named(new QPushButton(QStringLiteral("Export..."), this), "btnExport");
    btnExport->setDefault(true);
    btnCancel = Button(this, "btnCancel", QStringLiteral("Cancel"));
    btnSaveLongTable = Button(this, "btnSaveLongTable", QStringLiteral("Save as long table..."));

    auto* range = new QHBoxLayout;
    range->addStretch(1);
    range->addWidget(lblSampleFrom);
    range->addWidget(seSampleFrom);
    range->addSpacing(6);
    range->addWidget(lblSampleTo);
    range->addWidget(seSampleTo);

    // Labels to the left of their boxes, the filling buttons to the right.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(lblCells, 0, 0);
    grid->addWidget(edtCells, 0, 1, 1, 2);
    grid->addWidget(lblObservations, 1, 0);
    grid->addWidget(edtObservations, 1, 1, 1, 2);
    grid->addWidget(lblChannels, 2, 0);
    grid->addWidget(edtChannels, 2, 1);
    grid->addWidget(btnAllChannels, 2, 2);
    grid->addWidget(btnClearChannels, 3, 2);
    grid->addWidget(lblSamples, 4, 0);
    grid->addWidget(edtSamples, 4, 1);
    grid->addWidget(btnAllSamples, 4, 2);
    grid->addLayout(range, 5, 0, 1, 2);
    grid->addWidget(btnClearSamples, 5, 2);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSaveLongTable);
    buttons->addStretch(1);
    buttons->addWidget(btnExport);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    setFixedSize(kClientWidth, kClientHeight);

    connect(btnAllChannels, &QPushButton::clicked, this, [this] { btnAllChannelsClick(); });
    connect(btnClearChannels, &QPushButton::clicked, this, [this] { btnClearChannelsClick(); });
    connect(btnAllSamples, &QPushButton::clicked, this, [this] { btnAllSamplesClick(); });
    connect(btnClearSamples, &QPushButton::clicked, this, [this] { btnClearSamplesClick(); });
    connect(seSampleFrom, &QSpinBox::valueChanged, this, [this] { seSamplesChange(); });
    connect(seSampleTo, &QSpinBox::valueChanged, this, [this] { seSamplesChange(); });
    connect(btnExport, &QPushButton::clicked, this, [this] { btnExportClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    connect(btnSaveLongTable, &QPushButton::clicked, this, [this] { btnSaveLongTableClick(); });
}

void TfrmStatexport::SetFile(std::weak_ptr<TORVAFile> file)
{
    document_.Set(std::move(file));
    auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    const TStatsProposal proposal = ProposeStatsSelection(*f);
    numChannels_ = f->NumChannels();
    minObservations_ = proposal.MinObservations;
    minSamples_ = proposal.MinSamples;

    edtChannels->clear();
    SetBoxText(edtCells, NumberListText(1, f->NumCells()));
    SetBoxText(edtObservations, NumberListText(1, minObservations_));
    edtSamples->clear();
    // Without samples common to every cell the range stays 1..1 and cannot be changed.
    const int last = std::max(1, minSamples_);
    {
        const QSignalBlocker blockFrom(seSampleFrom);
        const QSignalBlocker blockTo(seSampleTo);
        seSampleFrom->setRange(1, last);
        seSampleFrom->setValue(1);
        seSampleTo->setRange(1, last);
        seSampleTo->setValue(last);
    }
    seSampleFrom->setEnabled(minSamples_ > 0);
    seSampleTo->setEnabled(minSamples_ > 0);
    seSamplesChange();
}

void TfrmStatexport::btnAllChannelsClick()
{
    SetBoxText(edtChannels, NumberListText(1, numChannels_));
}

void TfrmStatexport::btnClearChannelsClick()
{
    edtChannels->clear();
}

void TfrmStatexport::btnAllSamplesClick()
{
    SetBoxText(edtSamples, NumberListText(1, minSamples_));
}

void TfrmStatexport::btnClearSamplesClick()
{
    edtSamples->clear();
}

void TfrmStatexport::seSamplesChange()
{
    const int from = seSampleFrom->value();
    const int to = seSampleTo->value();
    {
        const QSignalBlocker blockFrom(seSampleFrom);
        const QSignalBlocker blockTo(seSampleTo);
        seSampleFrom->setMaximum(to);
        seSampleTo->setMinimum(from);
    }
    // The spin edits never go below 1, so a document without samples proposes none.
    SetBoxText(edtSamples, minSamples_ > 0 ? NumberListText(from, to) : std::string());
}

TfrmStatexport::TLists TfrmStatexport::ReadLists() const
{
    return {ParseSelectionList(TextToNative(edtCells->text())), ParseSelectionList(TextToNative(edtObservations->text())),
            ParseSelectionList(TextToNative(edtChannels->text())), ParseSelectionList(TextToNative(edtSamples->text()))};
}

void TfrmStatexport::btnExportClick()
{
    const TLists l = ReadLists();
    const char separator = DecimalSeparator();
    TExportRun run;
    run.Check = [&](const TORVAFile& file) {
        CheckStatsExport(file, l.Cells, l.Observations, l.Channels, l.Samples);
    };
    run.Write = [&](const TORVAFile& file, TLineSink& sink) {
        WriteStatsExport(file, l.Cells, l.Observations, l.Channels, l.Samples, separator, sink);
    };
    run.LineEnd = kCrLf;
    run.What = QStringLiteral("Stats text file");
    if (RunExport(this, dialogs_, document_, run))
        close();
}

void TfrmStatexport::btnSaveLongTableClick()
{
    const TLists l = ReadLists();
    const TLongTableOptions options{l.Cells, l.Observations, l.Channels, l.Samples};
    TExportRun run;
    run.Check = [&](const TORVAFile& file) { CheckLongTable(file, options); };
    run.Write = [&](const TORVAFile& file, TLineSink& sink) {
        sink.Line(kLongTableHeader);
        WriteLongTableRows(file, options, sink);
    };
    run.LineEnd = kLongTableLineEnd;
    run.What = QStringLiteral("Long table");
    run.DialogTitle = QStringLiteral("Save as long table");
    RunExport(this, dialogs_, document_, run);
}

void TfrmStatexport::btnCancelClick()
{
    close();
}

} // namespace orva::ui
