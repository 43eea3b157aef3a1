#include "ui/UfrmShowcell.h"

#include "plot/PlotGeometry.h"
#include "plot/PlotPainter.h"
#include "select/NumberFormat.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

// Sets a spin edit's range and value without running its change handler.
void SetQuietly(QSpinBox* spin, int minimum, int maximum, std::optional<int> value = std::nullopt)
{
    const QSignalBlocker block(spin);
    spin->setRange(minimum, maximum);
    if (value)
        spin->setValue(*value);
}

TArrowSpinEdit* SpinEdit(QWidget* parent, const char* name, int minimum, int maximum, int step, int value)
{
    auto* spin = new TArrowSpinEdit(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setValue(value);
    return spin;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

// The headings must fit columns of 40 pixels: little padding, left-aligned like the values,
// and a smaller font where the widest heading would be cut.
void FitHeadings(QHeaderView* header)
{
    constexpr int kPadding = 2;
    QFont font = header->font();
    while (font.pointSizeF() > 6 &&
           QFontMetrics(font).horizontalAdvance(QStringLiteral("voltage")) > 40 - 2 * kPadding - 2)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStyleSheet(QStringLiteral("QHeaderView::section { padding: 1px %1px; font-size: %2pt; }")
                              .arg(kPadding)
                              .arg(font.pointSizeF()));
}

void SetCell(QTableWidget* table, int row, int column, const QString& text)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item)
        item->setText(text);
    else
        table->setItem(row, column, new QTableWidgetItem(text));
}

} // namespace

TPlotImage::TPlotImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TPlotImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, Bitmap);
}

void TPlotImage::resizeEvent(QResizeEvent*)
{
    emit Resized();
}

TfrmShowcell::TfrmShowcell(TUserDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    FormCreate();
}

void TfrmShowcell::FormCreate()
{
    setWindowTitle(QStringLiteral("Cell graph"));

    seCell = SpinEdit(this, "seCell", 1, 1, 1, 1);
    seObs = SpinEdit(this, "seObs", 1, 1, 1, 1);
    seChan = SpinEdit(this, "seChan", 1, 1, 1, 1);
    seXgrid = SpinEdit(this, "seXgrid", 0, 100, 100, 100);
    seYgrid = SpinEdit(this, "seYgrid", 0, 450, 10, 40);
    lblCell = Label(this, "lblCell", QStringLiteral("Cell:"), seCell);
    lblObs = Label(this, "lblObs", QStringLiteral("Obs.:"), seObs);
    lblChan = Label(this, "lblChan", QStringLiteral("Chan.:"), seChan);
    lblXgrid = Label(this, "lblXgrid", QStringLiteral("x grid (ms):"), seXgrid);
    lblYgrid = Label(this, "lblYgrid", QString::fromUtf8("y grid (\u00B5V):"), seYgrid);

    // The spin edit row fits the minimum width; its own minimum does not bind the window, so
    // only the window's minimum size decides how small the plot can get.
    auto* top = new QWidget(this);
    top->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    const std::pair<QLabel*, QSpinBox*> pairs[] = {
        {lblCell, seCell}, {lblObs, seObs}, {lblChan, seChan}, {lblXgrid, seXgrid}, {lblYgrid, seYgrid}};
    for (const auto& [label, spin] : pairs) {
        if (label != lblCell)
            row->addSpacing(8);
        label->setParent(top);
        spin->setParent(top);
        row->addWidget(label);
        row->addWidget(spin);
    }
    row->addStretch(1);

    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->hide();

    Image1 = new TPlotImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));

    StringGrid1 = new QTableWidget(0, 3, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("sample"), QStringLiteral("value"), QStringLiteral("voltage")});
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(lblCell->sizeHint().height() + 2);
    StringGrid1->horizontalHeader()->setMinimumSectionSize(1);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(40);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    FitHeadings(StringGrid1->horizontalHeader());
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setShowGrid(true);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setWordWrap(false);
    StringGrid1->setFixedWidth(kTableWidth);

    // The plot follows all four sides; the table keeps its width at the right edge.
    auto* body = new QHBoxLayout;
    body->setSpacing(4);
    body->addWidget(Image1, 1);
    body->addWidget(StringGrid1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(top);
    layout->addWidget(CreateOptionRow());
    layout->addWidget(lblProblem);
    layout->addLayout(body, 1);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kMinimumWidth, kMinimumHeight);

    connect(seCell, &QSpinBox::valueChanged, this, [this] { seCellChange(); });
    for (QSpinBox* spin : {static_cast<QSpinBox*>(seObs), static_cast<QSpinBox*>(seChan),
                           static_cast<QSpinBox*>(seXgrid), static_cast<QSpinBox*>(seYgrid)})
        connect(spin, &QSpinBox::valueChanged, this, [this] { CellChange(); });
    connect(Image1, &TPlotImage::Resized, this, [this] { FormResize(); });
}

void TfrmShowcell::SetFile(std::weak_ptr<TORVAFile> file)
{
    document_.Set(std::move(file));
    auto f = document_.Lock(this, dialogs_);
    if (!f)
        return;
    // A document without cells or channels still opens: the spin edits stay at 1 and
    // are disabled, and the window says why nothing is drawn.
    SetQuietly(seCell, 1, std::max(1, f->NumCells()));
    SetQuietly(seChan, 1, std::max(1, f->NumChannels()));
    seCell->setEnabled(f->NumCells() > 0);
    seChan->setEnabled(f->NumChannels() > 0);
    seCellChange();
}

void TfrmShowcell::seCellChange()
{
    if (!document_.IsSet())
        return;
    auto file = document_.Lock(this, dialogs_);
    if (!file)
        return;
    const int cell = seCell->value() - 1;
    if (cell >= 0 && cell < static_cast<int>(file->Cells.size())) {
        const int n = file->Cells[static_cast<std::size_t>(cell)].NumObservations;
        const QSignalBlocker block(seObs);
        if (seObs->value() > n)
            seObs->setValue(std::max(1, n));
        seObs->setMaximum(std::max(1, n));
        seObs->setEnabled(n > 0);
    } else {
        seObs->setEnabled(false);
    }
    CellChange();
}

void TfrmShowcell::SetProblem(const QString& text)
{
    lblProblem->setText(text);
    lblProblem->setVisible(!text.isEmpty());
}

void TfrmShowcell::CellChange()
{
    // Before SetFile (resizing during creation) there is nothing to show.
    if (!document_.IsSet())
        return;
    auto file = document_.Lock(this, dialogs_);
    if (!file)
        return;

    const int cellIndex = seCell->value() - 1;
    const int observation = seObs->value() - 1;
    const int channel = seChan->value() - 1;
    const TORVACell* cell =
        cellIndex < static_cast<int>(file->Cells.size()) ? &file->Cells[static_cast<std::size_t>(cellIndex)] : nullptr;
    const QString cellName = QStringLiteral("Cell %1").arg(cellIndex + 1);

    QString problem;
    bool hasData = false;
    bool calibrated = false;
    if (!cell) {
        problem = QStringLiteral("The file has no cells: nothing to draw.");
    } else if (file->NumChannels() < 1) {
        problem = QStringLiteral("The file has no channels: nothing to draw.");
    } else if (observation >= cell->NumObservations) {
        problem = cellName + QStringLiteral(" has no observations: nothing to draw.");
    } else if (observation >= cell->Data.Observations() || channel >= cell->Data.Channels() ||
               cell->SamplesPerObservation > cell->Data.Samples() ||
               static_cast<std::size_t>(channel) >= file->DataDescription.Zeros.size() ||
               static_cast<std::size_t>(channel) >= file->DataDescription.Gains.size()) {
        problem = cellName + QStringLiteral(": the samples do not match the cell's counts.");
    } else {
        hasData = true;
        const auto calibration = CalibrationProblem(*file, channel);
        calibrated = !calibration.has_value();
        if (calibration)
            problem = QString::fromStdString(*calibration) + QStringLiteral("; no trace is drawn.");
        else if (cell->SamplesPerSecond == 0)
            problem = cellName +
                      QStringLiteral(" has 0 samples per second, so it has no time axis; no trace is drawn.");
    }
    SetProblem(problem);

    if (cell) {
        if (const auto maximum = XGridMaximum(cell->SamplesPerObservation, cell->SamplesPerSecond))
            SetQuietly(seXgrid, 0, *maximum);
    }

    voltages_.clear();
    if (hasData) {
        FillTable(*file, *cell, observation, channel, calibrated);
    } else {
        StringGrid1->setRowCount(0);
    }
    FitColumns();
    // Without a calibration there is no trace; without a time scale nothing is placed.
    if (hasData && calibrated)
        scene_ = BuildPlotScene(*file, cellIndex, observation, channel, Options());
    else
        scene_ = TraceFreeScene(*file, hasData ? cell : nullptr, Options());
    Draw();
}

void TfrmShowcell::FillTable(const TORVAFile& file, const TORVACell& cell, int observation, int channel,
                             bool calibrated)
{
    const int samples = std::max(0, cell.SamplesPerObservation);
    const char separator = DecimalSeparator();
    if (calibrated)
        voltages_.resize(static_cast<std::size_t>(samples));

    StringGrid1->setUpdatesEnabled(false);
    StringGrid1->setRowCount(samples);
    for (int k = 0; k < samples; ++k) {
        const std::int16_t raw = cell.Data(observation, k, channel);
        SetCell(StringGrid1, k, 0, QString::number(k));
        SetCell(StringGrid1, k, 1, QString::number(raw));
        QString voltage;
        if (calibrated) {
            const float v = static_cast<float>(CalibratedValue(file, raw, channel));
            voltages_[static_cast<std::size_t>(k)] = v;
            voltage = QString::fromStdString(Format4_1(static_cast<double>(v), separator));
        }
        SetCell(StringGrid1, k, 2, voltage);
    }
    StringGrid1->setUpdatesEnabled(true);
}

void TfrmShowcell::Draw()
{
    QImage& bitmap = Image1->Bitmap;
    if (bitmap.isNull())
        return;
    QPainter painter(&bitmap);
    PaintPlot(painter, bitmap.size(), scene_);
    painter.end();
    Image1->update();
}

void TfrmShowcell::FormResize()
{
    const QSize size = Image1->size();
    if (size.isEmpty())
        return;
    if (Image1->Bitmap.size() != size) {
        Image1->Bitmap = QImage(size, QImage::Format_RGB32);
        Image1->Bitmap.fill(Qt::white);
    }
    CellChange();
}

} // namespace orva::ui
