#include "ui/UfrmErp.h"

#include "plot/QtText.h"
#include "select/Selection.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace orva::ui {

using namespace orva::plot; // the text helpers of the cell graph's picture, plot/

namespace {

// A typed list (numbers from 1); an empty box means nothing typed.
std::optional<TSelectionList> ListOf(const QLineEdit* edit)
{
    const QString text = edit->text().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return ParseSelectionList(TextToNative(text));
}

QLabel* Label(QWidget* parent, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmErpDialog::TfrmErpDialog(QWidget* parent, const QString& title) : QDialog(parent)
{
    setWindowTitle(title);
    btnOk = new QPushButton(QStringLiteral("&Write..."), this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName("btnCancel");
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    form_ = new QFormLayout;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form_);
    all->addLayout(buttons);
}

TfrmErpAverage::TfrmErpAverage(QWidget* parent) : TfrmErpDialog(parent, QStringLiteral("Average trials"))
{
    setObjectName("frmErpAverage");
    edtObservations = new QLineEdit(this);
    edtObservations->setObjectName("edtObservations");
    edtObservations->setPlaceholderText(QStringLiteral("all, or numbers such as 1 3 5"));
    seBaselineMs = new QSpinBox(this);
    seBaselineMs->setObjectName("seBaselineMs");
    seBaselineMs->setRange(-32768, 32767);
    form_->addRow(Label(this, QStringLiteral("&Observations:"), edtObservations), edtObservations);
    form_->addRow(Label(this, QStringLiteral("&Baseline (ms):"), seBaselineMs), seBaselineMs);
}

TRead<TAverageOptions> TfrmErpAverage::Read() const
{
    TAverageOptions o;
    o.Observations = ListOf(edtObservations);
    o.BaselineMs = seBaselineMs->value();
    return {o, QString()};
}

TfrmErpBaseline::TfrmErpBaseline(QWidget* parent, bool averageFile)
    : TfrmErpDialog(parent, QStringLiteral("Baseline correction"))
{
    setObjectName("frmErpBaseline");
    chkWindow = new QCheckBox(QStringLiteral("Use a time wi&ndow (otherwise every sample before 0 ms)"), this);
    chkWindow->setObjectName("chkWindow");
    edtWindowStart = new QLineEdit(QStringLiteral("-100"), this);
    edtWindowStart->setObjectName("edtWindowStart");
    edtWindowEnd = new QLineEdit(QStringLiteral("0"), this);
    edtWindowEnd->setObjectName("edtWindowEnd");
    // A session file has no stimulus time: it always needs the window.
    chkWindow->setChecked(!averageFile);
    chkWindow->setEnabled(averageFile);
    auto* window = new QHBoxLayout;
    window->addWidget(edtWindowStart);
    window->addWidget(new QLabel(QStringLiteral("to"), this));
    window->addWidget(edtWindowEnd);
    window->addWidget(new QLabel(QStringLiteral("ms"), this));
    form_->addRow(chkWindow);
    form_->addRow(Label(this, QStringLiteral("&From:"), edtWindowStart), window);
}

TRead<TBaselineOptions> TfrmErpBaseline::Read() const
{
    TBaselineOptions o;
    if (!chkWindow->isChecked())
        return {o, QString()};
    bool startOk = false;
    bool endOk = false;
    o.Start = QLocale::c().toDouble(edtWindowStart->text().trimmed(), &startOk);
    o.End = QLocale::c().toDouble(edtWindowEnd->text().trimmed(), &endOk);
    if (!startOk || !endOk)
        return {std::nullopt, QStringLiteral("The window takes two times in ms such as -100 or 0")};
    return {o, QString()};
}

TfrmErpDifference::TfrmErpDifference(QWidget* parent, int cells)
    : TfrmErpDialog(parent, QStringLiteral("Difference wave"))
{
    setObjectName("frmErpDifference");
    seCellA = new QSpinBox(this);
    seCellA->setObjectName("seCellA");
    seCellB = new QSpinBox(this);
    seCellB->setObjectName("seCellB");
    for (QSpinBox* spin : {seCellA, seCellB})
        spin->setRange(1, std::max(cells, 1));
    seCellB->setValue(std::min(2, std::max(cells, 1)));
    edtName = new QLineEdit(this);
    edtName->setObjectName("edtName");
    edtName->setPlaceholderText(QStringLiteral("name of A-name of B"));
    form_->addRow(Label(this, QStringLiteral("Cell &A:"), seCellA), seCellA);
    form_->addRow(Label(this, QStringLiteral("minus cell &B:"), seCellB), seCellB);
    form_->addRow(Label(this, QStringLiteral("&Name:"), edtName), edtName);
}

TRead<TDifferenceOptions> TfrmErpDifference::Read() const
{
    TDifferenceOptions o;
    o.CellA = seCellA->value() - 1;
    o.CellB = seCellB->value() - 1;
    if (!edtName->text().isEmpty())
        o.Name = TextToNative(edtName->text());
    return {o, QString()};
}

TfrmErpReference::TfrmErpReference(QWidget* parent) : TfrmErpDialog(parent, QStringLiteral("Average reference"))
{
    setObjectName("frmErpReference");
    edtExclude = new QLineEdit(this);
    edtExclude->setObjectName("edtExclude");
    edtExclude->setPlaceholderText(QStringLiteral("none, or channels such as 63 64"));
    form_->addRow(Label(this, QStringLiteral("&Exclude channels:"), edtExclude), edtExclude);
}

TRead<TSelectionList> TfrmErpReference::Read() const
{
    return {ListOf(edtExclude).value_or(TSelectionList{}), QString()};
}

TfrmErpFiles::TfrmErpFiles(QWidget* parent, TUserDialogs& dialogs, const QString& startFolder)
    : TfrmErpDialog(parent, QStringLiteral("Combine average files")), dialogs_(dialogs), startFolder_(startFolder)
{
    setObjectName("frmErpFiles");
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName("lstFiles");
    btnAdd = new QPushButton(QStringLiteral("A&dd..."), this);
    btnAdd->setObjectName("btnAdd");
    btnRemove = new QPushButton(QStringLiteral("&Remove"), this);
    btnRemove->setObjectName("btnRemove");
    rbCombine = new QRadioButton(QStringLiteral("&Combine (every subject in one file)"), this);
    rbCombine->setObjectName("rbCombine");
    rbGrandAverage = new QRadioButton(QStringLiteral("&Grand average"), this);
    rbGrandAverage->setObjectName("rbGrandAverage");
    chkWeighted = new QCheckBox(QStringLiteral("Weighted by &trial counts"), this);
    chkWeighted->setObjectName("chkWeighted");
    rbCombine->setChecked(true);
    chkWeighted->setEnabled(false);
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(btnAdd);
    fileButtons->addWidget(btnRemove);
    fileButtons->addStretch();
    form_->addRow(Label(this, QStringLiteral("Average &files, in order:"), lstFiles));
    form_->addRow(lstFiles);
    form_->addRow(fileButtons);
    form_->addRow(rbCombine);
    form_->addRow(rbGrandAverage);
    form_->addRow(chkWeighted);
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnRemove, &QPushButton::clicked, this, [this] { delete lstFiles->currentItem(); });
    connect(rbGrandAverage, &QRadioButton::toggled, chkWeighted, &QCheckBox::setEnabled);
}

void TfrmErpFiles::btnAddClick()
{
    const QString folder = lstFiles->count() > 0 ? QFileInfo(lstFiles->item(lstFiles->count() - 1)->text()).path()
                                                 : startFolder_;
    if (const std::optional<QString> path = dialogs_.GetOpenFileName(this, folder))
        lstFiles->addItem(QFileInfo(*path).absoluteFilePath());
}

QStringList TfrmErpFiles::Files() const
{
    QStringList files;
    for (int i = 0; i < lstFiles->count(); ++i)
        files.append(lstFiles->item(i)->text());
    return files;
}

} // namespace orva::ui
