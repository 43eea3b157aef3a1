#pragma once
// The dialog of Tools > Filters...: the band filters of the core (low-pass, high-pass,
// band-pass, notch; Butterworth or FIR) with a preview of one trace before and after.
#include "model/ORVAFile.h"
#include "plot/PlotScene.h"
#include "ui/BandFilterFields.h"
#include "ui/UserDialogs.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orva::ui {

class TPlotImage;

/// The trace the preview starts on (zero-based) and the scales it is drawn on.
struct TPreviewStart {
    int Cell = 0;
    int Observation = 0;
    int Channel = 0;
    /// The cell graph's viewing options; none: the plot's own, the range fitted to the traces.
    std::optional<plot::TPlotOptions> Scales;
};

/// "Filters": the kind, the cut-off(s), the design, the order and the FIR notch's width, each
/// enabled only where the kind and design take it, and a preview of one trace of file as it
/// is (grey) and filtered (the trace colour), redrawn whenever the fields give a filter.
/// OK (Enter) accepts only options that CheckBandFilterFor accepts for file: any other problem
/// is shown in an "Error" box with the core's message and the dialog stays open. Cancel,
/// Escape and the title bar's close button reject. The document is only read.
class TfrmBandFilter : public QDialog {
    Q_OBJECT
public:
    TfrmBandFilter(QWidget* parent, TUserDialogs& dialogs, const TORVAFile& file, const TPreviewStart& start = {});

    /// The fields as the user left them.
    TBandFilterFields Fields() const;
    /// The options OK accepted (valid once the dialog was accepted).
    const TBandFilterOptions& Options() const { return options_; }
    /// What the preview shows now.
    const plot::TPlotScene& PreviewScene() const { return scene_; }
    /// Why the preview shows no filtered trace, or the warnings for the file; empty otherwise.
    QString NotesText() const;

    /// OK: checks the fields against the file; only then closes.
    void accept() override;

    QComboBox* cbKind = nullptr;
    QLabel* lblFrequency = nullptr;
    QLineEdit* edtFrequency = nullptr;
    QLabel* lblUpper = nullptr;
    QLineEdit* edtUpper = nullptr;
    QComboBox* cbDesign = nullptr;
    QLabel* lblOrder = nullptr;
    QSpinBox* seOrder = nullptr;
    QLabel* lblNotchWidth = nullptr;
    QLineEdit* edtNotchWidth = nullptr;
    QSpinBox* seCell = nullptr;
    QSpinBox* seObs = nullptr;
    QSpinBox* seChan = nullptr;
    TPlotImage* imgPreview = nullptr;
    QLabel* lblNotes = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    QWidget* CreateFilterBox();
    QWidget* CreatePreviewBox(const TPreviewStart& start);
    /// The kind or design changed: enables the fields they take, names the frequency field
    /// and, until the user types a frequency, fills in the kind's usual one.
    void KindChange();
    /// The cell changed: the observations follow its count.
    void CellChange();
    void UpdatePreview();
    void Draw();

    TUserDialogs& dialogs_;
    const TORVAFile& file_;
    std::optional<plot::TPlotOptions> scales_;
    plot::TPlotScene scene_;
    TBandFilterOptions options_;
    bool typed_ = false;
};

} // namespace orva::ui
