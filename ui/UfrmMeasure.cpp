#include "ui/UfrmMeasure.h"

#include "export/StatsExport.h"
#include "model/ORVAError.h"
#include "plot/MeasurePicture.h"
#include "ui/UfrmMeasureOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

constexpr QSize kPictureSize(480, 260);

// A typed list; an empty box means everything, as on the command line.
std::optional<TSelectionList> ListOf(const QLineEdit* edit)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return ParseSelectionList(text.toStdString());
}

QString Three(double value) { return QLocale::c().toString(value, 'f', 3); }

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// "positive-area 12.345 uV x ms", "fractional-peak-latency: no crossing".
QString ValueText(TMeasureKind kind, const TTraceValue& value)
{
    QString text = Latin1(MeasureName(kind));
    if (!value.Value)
        return text + QStringLiteral(": ") + Latin1(value.Note);
    const bool latency = kind == TMeasureKind::FractionalAreaLatency || kind == TMeasureKind::FractionalPeakLatency;
    text += QStringLiteral(" ") + Three(*value.Value) + (latency ? QStringLiteral(" ms") : QStringLiteral(" uV x ms"));
    if (!value.Note.empty())
        text += QStringLiteral(" (") + Latin1(value.Note) + QStringLiteral(")");
    return text;
}

} // namespace

TfrmMeasure::TfrmMeasure(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName("frmMeasure");
    setWindowTitle(QStringLiteral("Measure"));
    edtWindowStart = new QLineEdit(QStringLiteral("0"), this);
    edtWindowEnd = new QLineEdit(QStringLiteral("100"), this);
    measureChoices = new TMeasureChoices(this);
    chkMean = measureChoices->chkMean;
    chkPeak = measureChoices->chkPeak;
    chkPeakLatency = measureChoices->chkPeakLatency;
    cbPolarity = measureChoices->cbPolarity;
    seNeighbours = measureChoices->seNeighbours;
    edtCells = new QLineEdit(this);
    edtObservations = new QLineEdit(this);
    edtChannels = new QLineEdit(this);
    for (QLineEdit* list : {edtCells, edtObservations, edtChannels})
        list->setPlaceholderText(QStringLiteral("all, or numbers such as 1 3 5"));
    seCell = new QSpinBox(this);
    seObservation = new QSpinBox(this);
    seChannel = new QSpinBox(this);
    lblPicture = new QLabel(this);
    lblPicture->setFixedSize(kPictureSize);
    lblValues = new QLabel(this);
    btnSave = new QPushButton(QStringLiteral("&Save..."), this);
    btnClose = new QPushButton(QStringLiteral("&Close"), this);

    auto* form = new QFormLayout;
    auto* window = new QHBoxLayout;
    window->addWidget(edtWindowStart);
    window->addWidget(new QLabel(QStringLiteral("to"), this));
    window->addWidget(edtWindowEnd);
    window->addWidget(new QLabel(QStringLiteral("ms"), this));
    // A row of several controls gets no buddy by itself: Alt+W goes to the window's start.
    auto* windowLabel = new QLabel(QStringLiteral("&Window:"), this);
    windowLabel->setBuddy(edtWindowStart);
    form->addRow(windowLabel, window);
    form->addRow(measureChoices);
    form->addRow(QStringLiteral("C&ells:"), edtCells);
    form->addRow(QStringLiteral("O&bservations:"), edtObservations);
    form->addRow(QStringLiteral("C&hannels:"), edtChannels);
    auto* trace = new QHBoxLayout;
    trace->addWidget(new QLabel(QStringLiteral("Show cell"), this));
    trace->addWidget(seCell);
    trace->addWidget(new QLabel(QStringLiteral("observation"), this));
    trace->addWidget(seObservation);
    trace->addWidget(new QLabel(QStringLiteral("channel"), this));
    trace->addWidget(seChannel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(trace);
    all->addWidget(lblPicture);
    all->addWidget(lblValues);
    all->addLayout(buttons);

    for (QLineEdit* edit : {edtWindowStart, edtWindowEnd})
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    for (QSpinBox* spin : {seCell, seObservation, seChannel})
        connect(spin, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    connect(measureChoices, &TMeasureChoices::Changed, this, [this] { UpdatePreview(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { CloseView(this); });
}

void TfrmMeasure::SetFile(std::weak_ptr<TORVAFile> file)
{
    document_.Set(std::move(file));
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    int observations = 1;
    for (const TORVACell& cell : f->Cells)
        observations = std::max(observations, cell.NumObservations);
    const QSignalBlocker a(seCell), b(seObservation), c(seChannel);
    seCell->setRange(1, std::max(f->NumCells(), 1));
    seObservation->setRange(1, observations);
    seChannel->setRange(1, std::max(f->NumChannels(), 1));
    UpdatePreview();
}

TfrmMeasure::TChoices TfrmMeasure::ReadChoices() const
{
    TChoices choices;
    TMeasureOptions o;
    bool startOk = false;
    bool endOk = false;
    o.WindowStart = QLocale::c().toDouble(edtWindowStart->text().trimmed(), &startOk);
    o.WindowEnd = QLocale::c().toDouble(edtWindowEnd->text().trimmed(), &endOk);
    if (!startOk || !endOk) {
        choices.Problem = QStringLiteral("The window takes two times in ms such as -100 or 250.5");
        return choices;
    }
    measureChoices->Read(o);
    o.Cells = ListOf(edtCells);
    o.Observations = ListOf(edtObservations);
    o.Channels = ListOf(edtChannels);
    choices.Options = o;
    return choices;
}

void TfrmMeasure::UpdatePreview()
{
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    const TChoices choices = ReadChoices();
    const int c = seCell->value() - 1;
    const int o = seObservation->value() - 1;
    const int h = seChannel->value() - 1;
    QString problem = choices.Problem;
    if (problem.isEmpty()) {
        if (auto trace = TraceProblem(*f, c, o, h))
            problem = QString::fromStdString(*trace);
    }
    if (problem.isEmpty()) {
        // The picture shows this one trace: the lists do not limit it.
        TMeasureOptions single = *choices.Options;
        single.Cells = TSelectionList{c};
        single.Observations = TSelectionList{o};
        single.Channels = TSelectionList{h};
        // The jackknife scores a subject by the others: this trace's own measures are shown.
        single.Jackknife = false;
        // The mean and the peak are always shown; the other measures where they are chosen.
        std::vector<TMeasureKind> shown;
        for (TMeasureKind kind : single.Measures)
            if (kind != TMeasureKind::Mean && kind != TMeasureKind::Peak && kind != TMeasureKind::PeakLatency)
                shown.push_back(kind);
        if (single.Measures.empty())
            single.Measures = {TMeasureKind::Mean};
        try {
            CheckMeasures(*f, single);
            const TTraceMeasures m = MeasureTrace(*f, c, o, h, single);
            lblPicture->setPixmap(QPixmap::fromImage(MeasurePicture(*f, c, o, h, single, kPictureSize)));
            QString text = QStringLiteral("mean %1 uV, peak %2 uV at %3 ms")
                               .arg(Three(m.Mean), Three(m.PeakValue), Three(m.PeakTime));
            if (single.Neighbours >= 1 && !m.Peak.Local)
                text += QStringLiteral(" (") + QLatin1String(kNoLocalPeak.data(), kNoLocalPeak.size()) +
                        QStringLiteral(")");
            single.Measures = shown;
            const std::vector<TTraceValue> values = MeasureTraceValues(*f, c, o, h, single);
            for (std::size_t i = 0; i < shown.size(); ++i)
                text += QStringLiteral("\n") + ValueText(shown[i], values[i]);
            lblValues->setText(text);
            return;
        } catch (const EORVAError& e) {
            problem = QString::fromStdString(e.Cause());
        }
    }
    lblPicture->clear();
    lblValues->setText(problem);
}

void TfrmMeasure::btnSaveClick()
{
    const TChoices choices = ReadChoices();
    if (!choices.Options) {
        dialogs_.ShowMessage(this, choices.Problem, QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    const TMeasureOptions options = *choices.Options;
    TExportRun run;
    run.Check = [options](const TORVAFile& file) { CheckMeasures(file, options); };
    run.Write = [options](const TORVAFile& file, TLineSink& sink) {
        sink.Line(kMeasureHeader);
        WriteMeasureRows(file, options, sink);
    };
    run.LineEnd = kMeasureLineEnd;
    run.What = QStringLiteral("Measure table");
    run.DialogTitle = QStringLiteral("Save measures as CSV");
    RunExport(this, dialogs_, document_, run);
}

} // namespace orva::ui
