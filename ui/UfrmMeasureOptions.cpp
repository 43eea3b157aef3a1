#include "ui/UfrmMeasureOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace orva::ui {

namespace {

constexpr TAreaKind kAreaKinds[] = {TAreaKind::Positive, TAreaKind::Negative, TAreaKind::Rectified,
                                    TAreaKind::Integral};

// A row label that Alt+letter leads to its control.
QLabel* Buddy(const QString& text, QWidget* control, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(control);
    return label;
}

} // namespace

TMeasureChoices::TMeasureChoices(QWidget* parent) : QWidget(parent)
{
    chkMean = new QCheckBox(QStringLiteral("&mean"), this);
    chkPeak = new QCheckBox(QStringLiteral("&peak"), this);
    chkPeakLatency = new QCheckBox(QStringLiteral("peak &latency"), this);
    chkArea = new QCheckBox(QStringLiteral("&area"), this);
    chkPositiveArea = new QCheckBox(QStringLiteral("posi&tive area"), this);
    chkNegativeArea = new QCheckBox(QStringLiteral("ne&gative area"), this);
    chkIntegral = new QCheckBox(QStringLiteral("&integral"), this);
    chkFractionalArea = new QCheckBox(QStringLiteral("f&ractional area latency"), this);
    chkFractionalPeak = new QCheckBox(QStringLiteral("fractional pea&k latency"), this);
    chkMean->setChecked(true);
    cbPolarity = new QComboBox(this);
    cbPolarity->addItems({QStringLiteral("positive"), QStringLiteral("negative")});
    seNeighbours = new QSpinBox(this);
    seNeighbours->setRange(0, 1000);
    seNeighbours->setSpecialValueText(QStringLiteral("simple peak"));
    seFraction = new QDoubleSpinBox(this);
    seFraction->setRange(0, 1);
    seFraction->setDecimals(3);
    seFraction->setSingleStep(0.05);
    seFraction->setValue(0.5);
    cbArea = new QComboBox(this);
    cbArea->addItem(QStringLiteral("of the polarity"));
    for (TAreaKind kind : kAreaKinds)
        cbArea->addItem(QString::fromLatin1(AreaKindName(kind).data(), static_cast<qsizetype>(AreaKindName(kind).size())));
    cbSide = new QComboBox(this);
    cbSide->addItems({QStringLiteral("onset (before the peak)"), QStringLiteral("offset (after the peak)")});
    chkJackknife = new QCheckBox(QStringLiteral("&jackknife: score each subject on the mean of the others"), this);

    auto* measures = new QGridLayout;
    int i = 0;
    for (TMeasureKind kind : kMeasureKinds) {
        measures->addWidget(Box(kind), i / 3, i % 3);
        ++i;
    }
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Measures:"), measures);
    form->addRow(Buddy(QStringLiteral("P&olarity:"), cbPolarity, this), cbPolarity);
    form->addRow(Buddy(QStringLiteral("&Neighbours:"), seNeighbours, this), seNeighbours);
    form->addRow(Buddy(QStringLiteral("&Fraction:"), seFraction, this), seFraction);
    form->addRow(Buddy(QStringLiteral("Area &used:"), cbArea, this), cbArea);
    form->addRow(Buddy(QStringLiteral("&Direction:"), cbSide, this), cbSide);
    form->addRow(QString(), chkJackknife);

    for (TMeasureKind kind : kMeasureKinds)
        connect(Box(kind), &QCheckBox::toggled, this, [this] { emit Changed(); });
    connect(chkJackknife, &QCheckBox::toggled, this, [this] { emit Changed(); });
    connect(seNeighbours, &QSpinBox::valueChanged, this, [this] { emit Changed(); });
    connect(seFraction, &QDoubleSpinBox::valueChanged, this, [this] { emit Changed(); });
    for (QComboBox* box : {cbPolarity, cbArea, cbSide})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { emit Changed(); });
}

QCheckBox* TMeasureChoices::Box(TMeasureKind kind) const
{
    switch (kind) {
    case TMeasureKind::Mean:
        return chkMean;
    case TMeasureKind::Peak:
        return chkPeak;
    case TMeasureKind::PeakLatency:
        return chkPeakLatency;
    case TMeasureKind::Area:
        return chkArea;
    case TMeasureKind::PositiveArea:
        return chkPositiveArea;
    case TMeasureKind::NegativeArea:
        return chkNegativeArea;
    case TMeasureKind::Integral:
        return chkIntegral;
    case TMeasureKind::FractionalAreaLatency:
        return chkFractionalArea;
    case TMeasureKind::FractionalPeakLatency:
        break;
    }
    return chkFractionalPeak;
}

void TMeasureChoices::Read(TMeasureOptions& o) const
{
    o.Measures.clear();
    for (TMeasureKind kind : kMeasureKinds)
        if (Box(kind)->isChecked())
            o.Measures.push_back(kind);
    o.Polarity = cbPolarity->currentIndex() == 1 ? TPolarity::Negative : TPolarity::Positive;
    o.Neighbours = seNeighbours->value();
    o.Fraction = seFraction->value();
    o.Area.reset();
    if (cbArea->currentIndex() >= 1)
        o.Area = kAreaKinds[cbArea->currentIndex() - 1];
    o.Offset = cbSide->currentIndex() == 1;
    o.Jackknife = chkJackknife->isChecked();
}

} // namespace orva::ui
