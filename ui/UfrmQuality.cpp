#include "ui/UfrmQuality.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"
#include "tools/ArtifactRules.h"
#include "tools/DataQualityTable.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orva::ui {
using namespace orva::plot; // the text helpers of plot/

namespace {

// Numbers typed with '.' whatever the locale, separated by blanks.
bool ReadNumbers(const QLineEdit* edit, std::vector<double>& values)
{
    values.clear();
    for (const QString& word : edit->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        values.push_back(QLocale::c().toDouble(word, &ok));
        if (!ok)
            return false;
    }
    return true;
}

// A number cell that sorts by its value; empty for none.
QTableWidgetItem* NumberItem(const std::optional<double>& value, const QString& text)
{
    auto* item = new QTableWidgetItem;
    if (value)
        item->setData(Qt::DisplayRole, *value);
    if (!text.isNull())
        item->setData(Qt::DisplayRole, text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

TfrmQuality::TfrmQuality(TUserDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName("frmQuality");
    setWindowTitle(QStringLiteral("Data quality"));
    auto field = [this](const QString& text, const QString& hint) {
        auto* edit = new QLineEdit(text, this);
        edit->setPlaceholderText(hint);
        return edit;
    };
    edtWindows = field(QString(), QStringLiteral("100 ms windows from 0 ms; or T1 T2 T1 T2 ..."));
    edtPeakToPeak = field(QString(), QStringLiteral("off"));
    edtFlat = field(QString(), QStringLiteral("off"));
    edtAbsolute = field(QString(), QStringLiteral("off"));
    edtBaselineMs = field(QStringLiteral("0"), QStringLiteral("0"));
    edtBootstrap = field(QString(), QStringLiteral("none"));
    edtMeasures = field(QString(), QStringLiteral("e.g. mean peak-latency"));
    edtSeed = field(QStringLiteral("1"), QStringLiteral("1"));
    btnCompute = new QPushButton(QStringLiteral("&Compute"), this);
    twQuality = new QTableWidget(0, 0, this);
    twQuality->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twQuality->setSelectionBehavior(QAbstractItemView::SelectRows);
    twQuality->verticalHeader()->hide();
    twQuality->horizontalHeader()->setStretchLastSection(true);
    btnSave = new QPushButton(QStringLiteral("&Save table..."), this);
    btnSave->setEnabled(false);
    btnClose = new QPushButton(QStringLiteral("C&lose"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Windows (ms):"), edtWindows);
    form->addRow(QStringLiteral("&Peak-to-peak (µV):"), edtPeakToPeak);
    form->addRow(QStringLiteral("&Flat (µV):"), edtFlat);
    form->addRow(QStringLiteral("A&bsolute (µV):"), edtAbsolute);
    form->addRow(QStringLiteral("Baseline (&ms):"), edtBaselineMs);
    form->addRow(QStringLiteral("B&ootstrap averages:"), edtBootstrap);
    form->addRow(QStringLiteral("M&easures:"), edtMeasures);
    form->addRow(QStringLiteral("See&d:"), edtSeed);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCompute);
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(twQuality, 1);
    layout->addLayout(buttons);
    resize(820, 560);

    connect(btnCompute, &QPushButton::clicked, this, &TfrmQuality::btnComputeClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmQuality::btnSaveClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TfrmQuality::SetFile(std::weak_ptr<TORVAFile> file) { document_.Set(std::move(file)); }

TfrmQuality::TChoices TfrmQuality::ReadChoices() const
{
    TChoices c;
    std::vector<double> numbers;
    if (!ReadNumbers(edtWindows, numbers) || numbers.size() % 2 != 0) {
        c.Problem = QStringLiteral("The windows are pairs of times in ms such as 0 100 250 500");
        return c;
    }
    for (std::size_t i = 0; i < numbers.size(); i += 2)
        c.Options.Windows.push_back({numbers[i], numbers[i + 1]});
    TArtifactRules rules;
    const std::pair<QLineEdit*, std::optional<double>*> thresholds[] = {
        {edtPeakToPeak, &rules.PeakToPeak}, {edtFlat, &rules.Flat}, {edtAbsolute, &rules.Absolute}};
    for (const auto& [edit, value] : thresholds) {
        if (!ReadNumbers(edit, numbers) || numbers.size() > 1) {
            c.Problem = QStringLiteral("A threshold is a number of microvolts such as 100 or 0.5");
            return c;
        }
        if (!numbers.empty())
            *value = numbers[0];
    }
    if (rules.Any())
        c.Rules = rules;
    bool ok = true;
    c.Options.Average.BaselineMs = edtBaselineMs->text().trimmed().isEmpty() ? 0 : edtBaselineMs->text().toInt(&ok);
    const QString boot = edtBootstrap->text().trimmed();
    bool bootOk = true;
    c.Options.Bootstrap = boot.isEmpty() ? 0 : boot.toInt(&bootOk);
    bool seedOk = true;
    c.Options.Seed = edtSeed->text().trimmed().isEmpty() ? 1 : edtSeed->text().trimmed().toULongLong(&seedOk);
    if (!ok || !bootOk || !seedOk) {
        c.Problem = QStringLiteral("The baseline, the number of bootstrap averages and the seed are whole numbers");
        return c;
    }
    for (const QString& word : edtMeasures->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto kind = MeasureFromName(word.toStdString());
        if (!kind) {
            c.Problem = QStringLiteral("A measure is ") + QString::fromStdString(MeasureNamesText()) +
                        QStringLiteral(", not \"") + word + QStringLiteral("\"");
            return c;
        }
        c.Options.Measures.push_back(*kind);
    }
    return c;
}

void TfrmQuality::btnComputeClick()
{
    TChoices choices = ReadChoices();
    if (!choices.Problem.isEmpty()) {
        dialogs_.ShowMessage(this, choices.Problem, QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    const auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    try {
        CheckQuality(*f, choices.Options);
        if (choices.Rules)
            choices.Options.Average.Excluded =
                ExclusionsOf(*f, DetectArtifacts(*f, *choices.Rules, ChosenCells(*f, std::nullopt)));
        table_ = MeasureQuality(*f, choices.Options);
        measures_ = choices.Options.Measures;
    } catch (const EORVAError& e) {
        dialogs_.ShowMessage(this, NativeToText(e.Cause()), QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    ShowTable(*f);
    btnSave->setEnabled(true);
}

void TfrmQuality::ShowTable(const TORVAFile& file)
{
    QStringList header{QStringLiteral("Cell"), QStringLiteral("Channel"), QStringLiteral("Window (ms)"),
                       QStringLiteral("Trials"), QStringLiteral("aSME"), QStringLiteral("Baseline sd")};
    for (TMeasureKind m : measures_)
        header.append(QStringLiteral("bSME ") + QString::fromUtf8(MeasureName(m).data(), static_cast<int>(MeasureName(m).size())));
    twQuality->setSortingEnabled(false);
    twQuality->clear();
    twQuality->setColumnCount(static_cast<int>(header.size()));
    twQuality->setHorizontalHeaderLabels(header);
    twQuality->setRowCount(static_cast<int>(table_->Rows.size()));
    for (int r = 0; r < twQuality->rowCount(); ++r) {
        const TQualityRow& row = table_->Rows[static_cast<std::size_t>(r)];
        const QString cell = QString::number(row.Cell + 1) + QStringLiteral(" ") +
                             NativeToText(file.Cells[static_cast<std::size_t>(row.Cell)].Name);
        twQuality->setItem(r, 0, new QTableWidgetItem(cell));
        twQuality->setItem(r, 1, NumberItem(row.Channel + 1.0, QString()));
        twQuality->setItem(r, 2, new QTableWidgetItem(NativeToText(QualityNumber(row.Window.Start) + " to " +
                                                                   QualityNumber(row.Window.End))));
        twQuality->setItem(r, 3, NumberItem(row.Trials, QString()));
        twQuality->setItem(r, 4, NumberItem(row.Asme, QString()));
        twQuality->setItem(r, 5, NumberItem(row.BaselineSd, QString()));
        for (std::size_t m = 0; m < row.Bsme.size(); ++m)
            twQuality->setItem(r, 6 + static_cast<int>(m), NumberItem(row.Bsme[m], QString()));
    }
    twQuality->setSortingEnabled(true);
    twQuality->sortItems(4, Qt::DescendingOrder);
}

void TfrmQuality::btnSaveClick()
{
    if (!table_)
        return;
    TExportRun run;
    run.Check = [](const TORVAFile&) {};
    run.Write = [this](const TORVAFile& file, TLineSink& sink) {
        sink.Line(QualityHeader(measures_));
        WriteQualityRows(file, *table_, sink);
    };
    run.LineEnd = kQualityLineEnd;
    run.What = QStringLiteral("Data quality table");
    run.DialogTitle = QStringLiteral("Save the data quality table as...");
    RunExport(this, dialogs_, document_, run);
}

} // namespace orva::ui
