#pragma once
// The measure window's choices of what to measure and how: the measures, the peak's
// polarity and neighbours, the fraction and area of the fractional latencies, the side of
// the peak and the jackknife, read into the core's options.
#include "export/MeasureExport.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace orva::ui {

class TMeasureChoices : public QWidget {
    Q_OBJECT
public:
    explicit TMeasureChoices(QWidget* parent = nullptr);

    /// Sets the measures and their settings in o from the controls (the window and the
    /// lists are left as they are).
    void Read(TMeasureOptions& o) const;

    /// The box of each measure, in the order of kMeasureKinds.
    QCheckBox* Box(TMeasureKind kind) const;

    QCheckBox* chkMean;
    QCheckBox* chkPeak;
    QCheckBox* chkPeakLatency;
    QCheckBox* chkArea;
    QCheckBox* chkPositiveArea;
    QCheckBox* chkNegativeArea;
    QCheckBox* chkIntegral;
    QCheckBox* chkFractionalArea;
    QCheckBox* chkFractionalPeak;
    QComboBox* cbPolarity;
    QSpinBox* seNeighbours;
    QDoubleSpinBox* seFraction;
    /// "of the polarity", then the four kinds of TAreaKind in their order.
    QComboBox* cbArea;
    /// Onset (before the peak) or offset (after it).
    QComboBox* cbSide;
    QCheckBox* chkJackknife;

signals:
    /// Any choice changed.
    void Changed();
};

} // namespace orva::ui
