#include "ui/UfrmArtifacts.h"

#include "select/Selection.h"
#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "tools/ArtifactReject.h"
#include "tools/ArtifactReport.h"
#include "tools/ErpAverage.h"
#include "ui/WindowProgress.h"

#include <QBrush>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

namespace orva::ui {
using namespace orva::plot; // the text helpers of the cell graph's picture, plot/

namespace {

const QColor kBadRow(255, 214, 214);

// The summary's lines without the indent they have under a file name on the command line.
QString SummaryText(const TORVAFile& file, const std::vector<TCellFlags>& flags, std::uint8_t rules)
{
    QStringList lines = NativeToText(ArtifactSummary(file, flags, rules)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(QLatin1Char('\n'));
}

// A number typed with '.' whatever the locale; nothing for an empty field; false when the
// text is not a number.
bool ReadNumber(const QLineEdit* edit, std::optional<double>& value)
{
    const QString text = edit->text().trimmed();
    value.reset();
    if (text.isEmpty())
        return true;
    bool ok = false;
    value = QLocale::c().toDouble(text, &ok);
    return ok;
}

std::optional<TSelectionList> ListOf(const QLineEdit* edit)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return ParseSelectionList(text.toStdString());
}

QString ChannelsText(const TTrialFlags& t)
{
    QStringList numbers;
    for (int h : t.Channels)
        numbers.append(QString::number(h + 1));
    return numbers.join(QLatin1Char(' '));
}

} // namespace

TfrmArtifacts::TfrmArtifacts(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName("frmArtifacts");
    setWindowTitle(QStringLiteral("Artifact detection"));
    auto field = [this](const QString& text, const QString& hint) {
        auto* edit = new QLineEdit(text, this);
        edit->setPlaceholderText(hint);
        return edit;
    };
    edtPeakToPeak = field(QStringLiteral("100"), QStringLiteral("off"));
    edtMovingWidth = field(QString(), QStringLiteral("whole window"));
    edtMovingStep = field(QString(), QStringLiteral("ms"));
    edtFlat = field(QStringLiteral("0.5"), QStringLiteral("off"));
    edtAbsolute = field(QString(), QStringLiteral("off"));
    edtWindowStart = field(QString(), QStringLiteral("first sample"));
    edtWindowEnd = field(QString(), QStringLiteral("last sample"));
    edtChannels = field(QString(), QStringLiteral("all, or numbers such as 1 3 5"));
    edtBadChannels = field(QString(), QStringLiteral("none"));
    btnDetect = new QPushButton(QStringLiteral("&Detect"), this);
    lblSummary = new QLabel(this);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    twTrials = new QTableWidget(0, 5, this);
    twTrials->setHorizontalHeaderLabels({QStringLiteral("Cell"), QStringLiteral("Observation"),
                                         QStringLiteral("Status"), QStringLiteral("Rules"),
                                         QStringLiteral("Channels")});
    twTrials->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twTrials->setSelectionBehavior(QAbstractItemView::SelectRows);
    twTrials->verticalHeader()->hide();
    twTrials->setWordWrap(false);
    twTrials->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    twTrials->horizontalHeader()->setStretchLastSection(true);
    btnToggle = new QPushButton(QStringLiteral("&Toggle status"), this);
    btnShowTrial = new QPushButton(QStringLiteral("Show &trial"), this);
    btnSaveReport = new QPushButton(QStringLiteral("Save &report..."), this);
    btnSaveCleaned = new QPushButton(QStringLiteral("Save cleaned &copy..."), this);
    btnSaveAverage = new QPushButton(QStringLiteral("Save &average..."), this);
    btnClose = new QPushButton(QStringLiteral("C&lose"), this);

    auto* form = new QFormLayout;
    auto pair = [this](QLineEdit* a, const QString& between, QLineEdit* b, const QString& unit) {
        auto* row = new QHBoxLayout;
        row->addWidget(a);
        row->addWidget(new QLabel(between, this));
        row->addWidget(b);
        row->addWidget(new QLabel(unit, this));
        return row;
    };
    auto labelled = [&](const QString& text, QLineEdit* buddy, QLayout* row) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        form->addRow(label, row);
    };
    form->addRow(QStringLiteral("&Peak-to-peak (µV):"), edtPeakToPeak);
    labelled(QStringLiteral("&Moving window:"), edtMovingWidth,
             pair(edtMovingWidth, QStringLiteral("ms wide, moved by"), edtMovingStep, QStringLiteral("ms")));
    form->addRow(QStringLiteral("&Flat below (µV):"), edtFlat);
    form->addRow(QStringLiteral("A&bsolute (µV):"), edtAbsolute);
    labelled(QStringLiteral("Test &window:"), edtWindowStart,
             pair(edtWindowStart, QStringLiteral("to"), edtWindowEnd, QStringLiteral("ms")));
    form->addRow(QStringLiteral("C&hannels:"), edtChannels);
    form->addRow(QStringLiteral("Bad channel&s:"), edtBadChannels);
    auto* detect = new QHBoxLayout;
    detect->addWidget(btnDetect);
    detect->addWidget(lblSummary, 1);
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnToggle);
    rowButtons->addWidget(btnShowTrial);
    rowButtons->addStretch();
    auto* saves = new QHBoxLayout;
    for (QPushButton* b : {btnSaveReport, btnSaveCleaned, btnSaveAverage})
        saves->addWidget(b);
    saves->addStretch();
    saves->addWidget(btnClose);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addLayout(detect);
    all->addWidget(twTrials, 1);
    all->addLayout(rowButtons);
    all->addLayout(saves);
    resize(560, 620);

    connect(btnDetect, &QPushButton::clicked, this, [this] { btnDetectClick(); });
    connect(btnToggle, &QPushButton::clicked, this, [this] { btnToggleClick(); });
    connect(btnShowTrial, &QPushButton::clicked, this, [this] { btnShowTrialClick(); });
    connect(twTrials, &QTableWidget::cellDoubleClicked, this, [this] { btnShowTrialClick(); });
    connect(btnSaveReport, &QPushButton::clicked, this, [this] { btnSaveReportClick(); });
    connect(btnSaveCleaned, &QPushButton::clicked, this, [this] { btnSaveCleanedClick(); });
    connect(btnSaveAverage, &QPushButton::clicked, this, [this] { btnSaveAverageClick(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { CloseView(this); });
    for (QPushButton* b : {btnToggle, btnShowTrial, btnSaveReport, btnSaveCleaned, btnSaveAverage})
        b->setEnabled(false);
}

void TfrmArtifacts::SetFile(std::weak_ptr<TORVAFile> file)
{
    document_.Set(std::move(file));
    if (const auto f = document_.Lock(this, dialogs_))
        setWindowTitle(QStringLiteral("Artifact detection - ") + NativeToText(f->FileName));
}

TfrmArtifacts::TChoices TfrmArtifacts::ReadChoices() const
{
    TChoices choices;
    TArtifactRules rules;
    std::optional<double> width, step, start, end;
    if (!ReadNumber(edtPeakToPeak, rules.PeakToPeak) || !ReadNumber(edtFlat, rules.Flat) ||
        !ReadNumber(edtAbsolute, rules.Absolute)) {
        choices.Problem = QStringLiteral("A threshold is a number of microvolts such as 100 or 0.5");
        return choices;
    }
    if (!ReadNumber(edtMovingWidth, width) || !ReadNumber(edtMovingStep, step) || width.has_value() != step.has_value()) {
        choices.Problem = QStringLiteral("The moving window takes its width and its step in ms, or neither");
        return choices;
    }
    if (!ReadNumber(edtWindowStart, start) || !ReadNumber(edtWindowEnd, end) || start.has_value() != end.has_value()) {
        choices.Problem = QStringLiteral("The test window takes two times in ms such as -100 or 250.5, or neither");
        return choices;
    }
    if (width)
        rules.Moving = TMovingWindow{*width, *step};
    rules.WindowStart = start;
    rules.WindowEnd = end;
    try {
        rules.Channels = ListOf(edtChannels);
        rules.BadChannels = ListOf(edtBadChannels).value_or(TSelectionList{});
    } catch (const EORVAError& e) {
        choices.Problem = NativeToText(e.Cause());
        return choices;
    }
    choices.Rules = rules;
    return choices;
}

void TfrmArtifacts::btnDetectClick()
{
    const TChoices choices = ReadChoices();
    if (!choices.Rules) {
        dialogs_.ShowMessage(this, choices.Problem, QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    try {
        flags_ = DetectArtifacts(*f, *choices.Rules, ChosenCells(*f, std::nullopt));
    } catch (const EORVAError& e) {
        dialogs_.ShowMessage(this, NativeToText(e.Cause()), QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    rulesInUse_ = RulesInUse(*choices.Rules);
    ShowFlags(*f);
}

void TfrmArtifacts::ShowFlags(const TORVAFile& file)
{
    int rows = 0;
    for (const TCellFlags& cell : flags_)
        rows += static_cast<int>(cell.Trials.size());
    twTrials->setRowCount(rows);
    int row = 0;
    for (const TCellFlags& cell : flags_)
        for (std::size_t o = 0; o < cell.Trials.size(); ++o, ++row) {
            twTrials->setItem(row, 0, new QTableWidgetItem(QString::number(cell.Cell + 1)));
            twTrials->setItem(row, 1, new QTableWidgetItem(QString::number(static_cast<int>(o) + 1)));
            twTrials->setItem(row, 2, new QTableWidgetItem);
            twTrials->setItem(row, 3, new QTableWidgetItem(QString::fromStdString(ArtifactRuleNames(cell.Trials[o].Rules))));
            twTrials->setItem(row, 4, new QTableWidgetItem(ChannelsText(cell.Trials[o])));
            MarkRow(row);
        }
    lblSummary->setText(SummaryText(file, flags_, rulesInUse_));
    for (QPushButton* b : {btnToggle, btnShowTrial, btnSaveReport, btnSaveCleaned, btnSaveAverage})
        b->setEnabled(rows > 0);
}

std::pair<int, int> TfrmArtifacts::TrialOf(int row) const
{
    for (const TCellFlags& cell : flags_) {
        if (row < static_cast<int>(cell.Trials.size()))
            return {cell.Cell, row};
        row -= static_cast<int>(cell.Trials.size());
    }
    return {-1, -1};
}

void TfrmArtifacts::MarkRow(int row)
{
    const auto [c, o] = TrialOf(row);
    const TTrialFlags& t = flags_[static_cast<std::size_t>(c)].Trials[static_cast<std::size_t>(o)];
    const bool overruled = t.Bad != (t.Rules != 0);
    twTrials->item(row, 2)->setText(QString(t.Bad ? QStringLiteral("bad") : QStringLiteral("good")) +
                                     (overruled ? QStringLiteral(" (overruled)") : QString()));
    for (int column = 0; column < twTrials->columnCount(); ++column) {
        QTableWidgetItem* item = twTrials->item(row, column);
        item->setBackground(t.Bad ? QBrush(kBadRow) : QBrush());
        QFont font = item->font();
        font.setItalic(overruled);
        item->setFont(font);
    }
}

void TfrmArtifacts::btnToggleClick()
{
    std::set<int> rows;
    for (const QModelIndex& index : twTrials->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty() && twTrials->currentRow() >= 0)
        rows.insert(twTrials->currentRow());
    for (int row : rows) {
        const auto [c, o] = TrialOf(row);
        if (c < 0)
            continue;
        TTrialFlags& t = flags_[static_cast<std::size_t>(c)].Trials[static_cast<std::size_t>(o)];
        t.Bad = !t.Bad;
        MarkRow(row);
    }
    if (const auto f = document_.Lock(this, dialogs_))
        lblSummary->setText(SummaryText(*f, flags_, rulesInUse_));
}

void TfrmArtifacts::btnShowTrialClick()
{
    const int row = twTrials->currentRow();
    const auto [c, o] = TrialOf(row);
    if (c >= 0 && OnShowTrial)
        OnShowTrial(c, o);
}

void TfrmArtifacts::btnSaveReportClick()
{
    TExportRun run;
    run.Check = [this](const TORVAFile& file) { ExclusionsOf(file, flags_); };
    run.Write = [this](const TORVAFile& file, TLineSink& sink) {
        sink.Line(kArtifactReportHeader);
        WriteArtifactRows(file, flags_, sink);
    };
    run.LineEnd = kArtifactReportLineEnd;
    run.What = QStringLiteral("Artifact report");
    run.DialogTitle = QStringLiteral("Save the artifact report as...");
    RunExport(this, dialogs_, document_, run);
}

void TfrmArtifacts::SaveDocument(const QString& title, const std::function<TORVAFile(const TORVAFile&)>& make)
{
    std::optional<TORVAFile> made;
    QString folder;
    {
        const auto f = document_.Lock(this, dialogs_);
        if (!f)
            return;
        try {
            made = make(*f); // refused before anything is asked
        } catch (const EORVAError& e) {
            dialogs_.ShowMessage(this, NativeToText(e.Cause()), QStringLiteral("Error"), TMessageIcon::Error);
            return;
        }
        folder = DocumentFolder(*f);
    }
    const std::optional<QString> path = dialogs_.GetSaveFileName(this, folder, title);
    if (!path)
        return;
    try {
        TWindowProgress progress(this);
        made->SaveToFile(TextToPath(*path), &progress);
    } catch (const EORVAError& e) {
        dialogs_.ShowMessage(this, NativeToText(e.what()), QStringLiteral("Error"), TMessageIcon::Error);
    }
}

void TfrmArtifacts::btnSaveCleanedClick()
{
    SaveDocument(QStringLiteral("Save the session without the bad trials as..."),
                 [this](const TORVAFile& file) { return RejectTrials(file, ExclusionsOf(file, flags_)); });
}

void TfrmArtifacts::btnSaveAverageClick()
{
    SaveDocument(QStringLiteral("Save the average without the bad trials as..."), [this](const TORVAFile& file) {
        TAverageOptions options;
        options.Excluded = ExclusionsOf(file, flags_);
        return AverageSession(file, options).File;
    });
}

} // namespace orva::ui
