// The cell graph's second row: vertical range with presets and fitting, polarity, axes,
// clipping marks, overlays, and the picture menu.
#include "ui/UfrmShowcell.h"

#include "plot/PlotScale.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

namespace {

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, const QString& hint)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(hint);
    return box;
}

QAction* Action(QWidget* parent, const char* name, const QString& text)
{
    auto* action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

QWidget* TfrmShowcell::CreateOptionRow()
{
    auto* row = new QWidget(this);
    row->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    cbRange = new QComboBox(row);
    cbRange->setObjectName(QStringLiteral("cbRange"));
    cbRange->setEditable(true);
    cbRange->setInsertPolicy(QComboBox::NoInsert);
    for (int preset : RangePresets())
        cbRange->addItem(QString::number(preset));
    cbRange->setCurrentText(QString::number(kDefaultRangeUv));
    cbRange->setValidator(new QIntValidator(2, 200000000, cbRange));
    cbRange->setToolTip(QStringLiteral("The full height of the plot in \u00B5V (900: \u00B1450 \u00B5V)"));
    cbRange->setMinimumContentsLength(4);
    cbRange->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lblRange = new QLabel(QString::fromUtf8("range (\u00B5V):"), row);
    lblRange->setObjectName(QStringLiteral("lblRange"));
    lblRange->setBuddy(cbRange);

    btnFit = new QPushButton(QStringLiteral("Fit"), row);
    btnFit->setObjectName(QStringLiteral("btnFit"));
    btnFit->setToolTip(QStringLiteral("The smallest range that shows every sample of the traces on display"));
    btnFit->setAutoDefault(false);
    btnFit->setMaximumWidth(btnFit->fontMetrics().horizontalAdvance(QStringLiteral("Fit")) + 16);

    cbNegativeUp = CheckBox(row, "cbNegativeUp", QStringLiteral("neg. up"), QStringLiteral("Negative voltages up"));
    cbAxes = CheckBox(row, "cbAxes", QStringLiteral("axes"), QStringLiteral("Time (ms) and voltage (\u00B5V) labels"));
    cbClipped = CheckBox(row, "cbClipped", QStringLiteral("clips"),
                         QStringLiteral("Red marks at the edge where samples lie beyond the range"));

    cbOverlay = new QComboBox(row);
    cbOverlay->setObjectName(QStringLiteral("cbOverlay"));
    cbOverlay->addItem(QStringLiteral("single"), static_cast<int>(TOverlay::None));
    cbOverlay->addItem(QStringLiteral("cells"), static_cast<int>(TOverlay::Cells));
    cbOverlay->addItem(QStringLiteral("channels"), static_cast<int>(TOverlay::Channels));
    cbOverlay->setToolTip(QStringLiteral("Overlay: the trace alone, the channel in every cell, or every channel"));

    miSavePicture = Action(this, "miSavePicture", QStringLiteral("Save picture as..."));
    miSavePictureSized = Action(this, "miSavePictureSized", QStringLiteral("Save picture at size..."));
    miCopyTable = Action(this, "miCopyTable", QStringLiteral("Copy table"));
    btnPicture = new QToolButton(row);
    btnPicture->setObjectName(QStringLiteral("btnPicture"));
    btnPicture->setText(QStringLiteral("Picture"));
    btnPicture->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(btnPicture);
    menu->addActions({miSavePicture, miSavePictureSized, miCopyTable});
    btnPicture->setMenu(menu);
    // The same commands on the plot's context menu.
    Image1->setContextMenuPolicy(Qt::ActionsContextMenu);
    Image1->addActions({miSavePicture, miSavePictureSized, miCopyTable});

    const QList<QWidget*> widgets{lblRange, cbRange, btnFit,    cbNegativeUp, cbAxes,
                                  cbClipped, cbOverlay, btnPicture};
    for (QWidget* w : widgets) {
        if (w == cbNegativeUp || w == cbOverlay || w == btnPicture)
            layout->addSpacing(6);
        layout->addWidget(w);
    }
    layout->addStretch(1);

    connect(cbRange, &QComboBox::currentTextChanged, this, [this] { cbRangeChange(); });
    connect(btnFit, &QPushButton::clicked, this, [this] { btnFitClick(); });
    for (QCheckBox* box : {cbNegativeUp, cbAxes, cbClipped})
        connect(box, &QCheckBox::toggled, this, [this] { CellChange(); });
    connect(cbOverlay, &QComboBox::currentIndexChanged, this, [this] { CellChange(); });
    connect(miSavePicture, &QAction::triggered, this, [this] { miSavePictureClick(); });
    connect(miSavePictureSized, &QAction::triggered, this, [this] { miSavePictureSizedClick(); });
    connect(miCopyTable, &QAction::triggered, this, [this] { miCopyTableClick(); });
    return row;
}

TPlotOptions TfrmShowcell::Options() const
{
    TPlotOptions o;
    o.XGrid = seXgrid->value();
    o.YGrid = seYgrid->value();
    o.RangeUv = rangeUv_;
    o.NegativeUp = cbNegativeUp->isChecked();
    o.Axes = cbAxes->isChecked();
    o.MarkClipped = cbClipped->isChecked();
    o.Overlay = static_cast<TOverlay>(cbOverlay->currentData().toInt());
    return o;
}

void TfrmShowcell::cbRangeChange()
{
    bool ok = false;
    const int range = cbRange->currentText().toInt(&ok);
    // A range being typed ("9" on the way to "900") is drawn as soon as it is one.
    if (!ok || range < 2 || range == rangeUv_)
        return;
    rangeUv_ = range;
    {
        // The y grid reaches half the range (450 at the default) and keeps a sensible count.
        const QSignalBlocker block(seYgrid);
        const int grid = AdaptYGrid(seYgrid->value(), range);
        seYgrid->setRange(0, std::max(1, range / 2));
        seYgrid->setSingleStep(YGridStep(range));
        seYgrid->setValue(grid);
    }
    CellChange();
}

void TfrmShowcell::btnFitClick()
{
    const auto traces = SceneVoltages(scene_);
    bool any = false;
    for (const auto& t : traces)
        any = any || !t.empty();
    if (!any)
        return;
    cbRange->setCurrentText(QString::number(FitRange(traces)));
}

} // namespace orva::ui
