#include "ui/UfrmBandFilter.h"

#include "plot/FilterPreview.h"
#include "plot/PlotPainter.h"
#include "plot/PlotScale.h"
#include "plot/QtText.h"
#include "ui/UfrmShowcell.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

// The frequencies a kind starts with: a usual choice for ERPs.
struct TUsualFrequencies {
    const char* Frequency;
    const char* Upper;
};

TUsualFrequencies Usual(EBandKind kind)
{
    switch (kind) {
    case EBandKind::HighPass: return {"0.1", ""};
    case EBandKind::BandPass: return {"0.1", "30"};
    case EBandKind::Notch: return {"50", ""};
    case EBandKind::LowPass: break;
    }
    return {"30", ""};
}

QString FrequencyCaption(EBandKind kind)
{
    switch (kind) {
    case EBandKind::BandPass: return QStringLiteral("&From (Hz):");
    case EBandKind::Notch: return QStringLiteral("&Frequency (Hz):");
    case EBandKind::LowPass:
    case EBandKind::HighPass: break;
    }
    return QStringLiteral("Cut-o&ff (Hz):");
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) + 16);
    return edit;
}

QSpinBox* Spin(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setValue(std::clamp(value, minimum, maximum));
    return spin;
}

std::vector<float> Floats(const std::vector<double>& values)
{
    return std::vector<float>(values.begin(), values.end());
}

} // namespace

TfrmBandFilter::TfrmBandFilter(QWidget* parent, TUserDialogs& dialogs, const TORVAFile& file,
                               const TPreviewStart& start)
    : QDialog(parent), dialogs_(dialogs), file_(file), scales_(start.Scales)
{
    setObjectName("frmBandFilter");
    setWindowTitle(QStringLiteral("Filters"));

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(CreateFilterBox());
    boxes->addWidget(CreatePreviewBox(start), 1);

    lblNotes = new QLabel(this);
    lblNotes->setObjectName("lblNotes");
    lblNotes->setWordWrap(true);
    lblNotes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for a warning of two lines, so that the dialog does not jump as the fields change.
    lblNotes->setMinimumHeight(2 * lblNotes->fontMetrics().lineSpacing());
    lblNotes->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(this);
    btnOk = buttons->addButton(QDialogButtonBox::Ok);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = buttons->addButton(QDialogButtonBox::Cancel);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmBandFilter::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmBandFilter::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes, 1);
    layout->addWidget(lblNotes);
    layout->addWidget(buttons);

    KindChange();
    edtFrequency->setFocus();
    edtFrequency->selectAll();
}

QWidget* TfrmBandFilter::CreateFilterBox()
{
    auto* box = new QGroupBox(QStringLiteral("Filter"), this);
    cbKind = new QComboBox(box);
    cbKind->setObjectName("cbKind");
    cbKind->addItem(QStringLiteral("low-pass"), static_cast<int>(EBandKind::LowPass));
    cbKind->addItem(QStringLiteral("high-pass"), static_cast<int>(EBandKind::HighPass));
    cbKind->addItem(QStringLiteral("band-pass"), static_cast<int>(EBandKind::BandPass));
    cbKind->addItem(QStringLiteral("notch"), static_cast<int>(EBandKind::Notch));
    edtFrequency = Edit(box, "edtFrequency", QString());
    edtUpper = Edit(box, "edtUpper", QString());
    cbDesign = new QComboBox(box);
    cbDesign->setObjectName("cbDesign");
    cbDesign->addItem(QStringLiteral("Butterworth (IIR), zero phase"), static_cast<int>(EFilterDesign::Iir));
    cbDesign->addItem(QStringLiteral("FIR as MNE-Python, zero phase"), static_cast<int>(EFilterDesign::Fir));
    seOrder = Spin(box, "seOrder", 1, 8, kDefaultButterworthOrder);
    seOrder->setToolTip(QStringLiteral("The Butterworth order of each of the two passes"));
    edtNotchWidth = Edit(box, "edtNotchWidth", QString());
    edtNotchWidth->setPlaceholderText(QStringLiteral("f0 / 200"));
    edtNotchWidth->setToolTip(QStringLiteral("Empty: MNE-Python's width, a two-hundredth of the notch frequency"));

    lblFrequency = Label(box, "lblFrequency", FrequencyCaption(EBandKind::LowPass), edtFrequency);
    lblUpper = Label(box, "lblUpper", QStringLiteral("&To (Hz):"), edtUpper);
    lblOrder = Label(box, "lblOrder", QStringLiteral("O&rder:"), seOrder);
    lblNotchWidth = Label(box, "lblNotchWidth", QStringLiteral("Notch &width (Hz):"), edtNotchWidth);

    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(Label(box, "lblKind", QStringLiteral("&Kind:"), cbKind), cbKind);
    form->addRow(lblFrequency, edtFrequency);
    form->addRow(lblUpper, edtUpper);
    form->addRow(Label(box, "lblDesign", QStringLiteral("&Design:"), cbDesign), cbDesign);
    form->addRow(lblOrder, seOrder);
    form->addRow(lblNotchWidth, edtNotchWidth);

    connect(cbKind, &QComboBox::currentIndexChanged, this, [this] { KindChange(); });
    connect(cbDesign, &QComboBox::currentIndexChanged, this, [this] { KindChange(); });
    for (QLineEdit* edit : {edtFrequency, edtUpper}) {
        connect(edit, &QLineEdit::textEdited, this, [this] { typed_ = true; });
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    }
    connect(edtNotchWidth, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    connect(seOrder, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    return box;
}

QWidget* TfrmBandFilter::CreatePreviewBox(const TPreviewStart& start)
{
    auto* box = new QGroupBox(QStringLiteral("Preview"), this);
    seCell = Spin(box, "seCell", 1, std::max(1, file_.NumCells()), start.Cell + 1);
    seObs = Spin(box, "seObs", 1, 1, 1);
    seChan = Spin(box, "seChan", 1, std::max(1, file_.NumChannels()), start.Channel + 1);
    CellChange();
    seObs->setValue(start.Observation + 1);

    auto* row = new QHBoxLayout;
    const std::pair<QLabel*, QSpinBox*> pairs[] = {{Label(box, "lblCell", QStringLiteral("&Cell:"), seCell), seCell},
                                                   {Label(box, "lblObs", QStringLiteral("O&bs.:"), seObs), seObs},
                                                   {Label(box, "lblChan", QStringLiteral("C&han.:"), seChan), seChan}};
    for (const auto& [label, spin] : pairs) {
        row->addWidget(label);
        row->addWidget(spin);
        row->addSpacing(8);
    }
    row->addStretch(1);

    imgPreview = new TPlotImage(box);
    imgPreview->setObjectName("imgPreview");
    imgPreview->setMinimumSize(440, 230);

    auto* layout = new QVBoxLayout(box);
    layout->addLayout(row);
    layout->addWidget(imgPreview, 1);

    connect(seCell, &QSpinBox::valueChanged, this, [this] { CellChange(); });
    for (QSpinBox* spin : {seObs, seChan})
        connect(spin, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
    connect(imgPreview, &TPlotImage::Resized, this, [this] {
        imgPreview->Bitmap = QImage(imgPreview->size(), QImage::Format_RGB32);
        Draw();
    });
    return box;
}

TBandFilterFields TfrmBandFilter::Fields() const
{
    TBandFilterFields f;
    f.Kind = static_cast<EBandKind>(cbKind->currentData().toInt());
    f.Frequency = edtFrequency->text();
    f.Upper = edtUpper->text();
    f.Design = static_cast<EFilterDesign>(cbDesign->currentData().toInt());
    f.Order = seOrder->value();
    f.NotchWidth = edtNotchWidth->text();
    return f;
}

QString TfrmBandFilter::NotesText() const
{
    return lblNotes->text();
}

void TfrmBandFilter::KindChange()
{
    const TBandFilterFields f = Fields();
    lblFrequency->setText(FrequencyCaption(f.Kind));
    if (!typed_) {
        const QSignalBlocker blockFrequency(edtFrequency), blockUpper(edtUpper);
        edtFrequency->setText(QString::fromLatin1(Usual(f.Kind).Frequency));
        edtUpper->setText(QString::fromLatin1(Usual(f.Kind).Upper));
    }
    for (QWidget* w : {static_cast<QWidget*>(lblUpper), static_cast<QWidget*>(edtUpper)})
        w->setEnabled(TakesUpper(f.Kind));
    for (QWidget* w : {static_cast<QWidget*>(lblOrder), static_cast<QWidget*>(seOrder)})
        w->setEnabled(TakesOrder(f.Kind, f.Design));
    for (QWidget* w : {static_cast<QWidget*>(lblNotchWidth), static_cast<QWidget*>(edtNotchWidth)})
        w->setEnabled(TakesNotchWidth(f.Kind, f.Design));
    UpdatePreview();
}

void TfrmBandFilter::CellChange()
{
    const int cell = seCell->value() - 1;
    const int observations =
        cell < file_.NumCells() ? file_.Cells[static_cast<std::size_t>(cell)].NumObservations : 0;
    {
        const QSignalBlocker block(seObs);
        seObs->setMaximum(std::max(1, observations));
    }
    UpdatePreview();
}

void TfrmBandFilter::UpdatePreview()
{
    // Before the dialog is complete there is nothing to show.
    if (!lblNotes || !imgPreview)
        return;
    const int cell = seCell->value() - 1;
    const int observation = seObs->value() - 1;
    const int channel = seChan->value() - 1;
    QStringList notes;
    try {
        const TBandFilterRead read = ReadBandFilterFieldsFor(file_, Fields());
        const auto traceProblem = TraceProblem(file_, cell, observation, channel);
        if (traceProblem) {
            const TORVACell* shown = cell < file_.NumCells() ? &file_.Cells[static_cast<std::size_t>(cell)] : nullptr;
            scene_ = TraceFreeScene(file_, shown, scales_.value_or(TPlotOptions{}));
            notes.append(QStringLiteral("No preview: ") + NativeToText(*traceProblem) + QStringLiteral("."));
        } else {
            std::optional<std::vector<float>> after;
            if (read.Options)
                after = Floats(FilteredTrace(file_, cell, observation, channel, *read.Options));
            TPlotOptions view = scales_.value_or(TPlotOptions{});
            if (!scales_)
                view.Axes = true;
            scene_ = BeforeAfterScene(file_, cell, observation, channel, after, view);
            // Without a cell graph to follow, the range holds both traces.
            if (!scales_) {
                scene_.Options.RangeUv = FitRange(SceneVoltages(scene_));
                scene_.Options.YGrid = AdaptYGrid(scene_.Options.YGrid, scene_.Options.RangeUv);
            }
        }
        if (!read.Options)
            notes.append(read.Problem);
        else
            for (const std::string& warning : BandFilterWarnings(file_, *read.Options))
                notes.append(QStringLiteral("Warning: ") + NativeToText(warning) + QStringLiteral("."));
    } catch (const std::exception& error) {
        // Nothing may escape a change of a field: what went wrong is shown instead.
        notes.append(NativeToText(error.what()));
    }
    lblNotes->setText(notes.join(QLatin1Char('\n')));
    Draw();
}

void TfrmBandFilter::Draw()
{
    QImage& bitmap = imgPreview->Bitmap;
    if (bitmap.isNull())
        return;
    QPainter painter(&bitmap);
    PaintPlot(painter, bitmap.size(), scene_);
    painter.end();
    imgPreview->update();
}

void TfrmBandFilter::accept()
{
    const TBandFilterRead read = ReadBandFilterFieldsFor(file_, Fields());
    if (!read.Options) {
        dialogs_.ShowMessage(this, read.Problem, QStringLiteral("Error"), TMessageIcon::Error);
        return;
    }
    options_ = *read.Options;
    QDialog::accept();
}

} // namespace orva::ui
