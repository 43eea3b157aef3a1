#pragma once
// The cell graph window: one trace (cell, observation, channel) of the open document as a
// line plot of microvolts over time with grid lines, and the same trace as a table.
#include "model/ORVAFile.h"
#include "plot/PlotScene.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace orva::ui {
using namespace orva::plot; // the cell graph's picture, plot/

/// The plot area: shows its bitmap and reports its own resizing.
class TPlotImage : public QWidget {
    Q_OBJECT
public:
    explicit TPlotImage(QWidget* parent = nullptr);
    QImage Bitmap;

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

class TfrmShowcell : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 514;
    static constexpr int kMinimumHeight = 220;
    static constexpr int kTableWidth = 138;

    TfrmShowcell(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it) and shows its first trace.
    void SetFile(std::weak_ptr<TORVAFile> file);

    /// The cell changed: adapts the observation range, then updates.
    void seCellChange();
    /// The update: rebuilds the table and redraws the plot from the controls.
    void CellChange();
    /// The plot was resized: the bitmap takes its new size, then updates.
    void FormResize();

    /// The trace on display, in microvolts (empty when it cannot be calibrated).
    const std::vector<float>& Voltages() const { return voltages_; }
    /// What the plot shows now: its traces and the viewing options.
    const TPlotScene& Scene() const { return scene_; }
    /// The viewing options as the controls set them.
    TPlotOptions Options() const;

    // The viewing options beyond the trace (second row), each at the plot's usual look by
    // default, and the picture and table commands.
    /// The range changed (typed or chosen): the y grid follows it, then updates.
    void cbRangeChange();
    /// Sets the range that holds every sample of the traces on display.
    void btnFitClick();
    /// "Save picture as...": the plot as shown, at the plot's size, as PNG or SVG.
    void miSavePictureClick();
    /// "Save picture at size...": asks for the size first.
    void miSavePictureSizedClick();
    /// "Copy table": the value table on the clipboard as tab-separated text.
    void miCopyTableClick();
    /// The value table as tab-separated lines, the headings first.
    QString TableText() const;

    TArrowSpinEdit* seCell;
    TArrowSpinEdit* seObs;
    TArrowSpinEdit* seChan;
    TArrowSpinEdit* seXgrid;
    TArrowSpinEdit* seYgrid;
    QLabel* lblCell;
    QLabel* lblObs;
    QLabel* lblChan;
    QLabel* lblXgrid;
    QLabel* lblYgrid;
    QLabel* lblRange;
    QComboBox* cbRange;
    QPushButton* btnFit;
    QCheckBox* cbNegativeUp;
    QCheckBox* cbAxes;
    QCheckBox* cbClipped;
    QComboBox* cbOverlay;
    QToolButton* btnPicture;
    QAction* miSavePicture;
    QAction* miSavePictureSized;
    QAction* miCopyTable;
    /// Why no trace is drawn (hidden while one is).
    QLabel* lblProblem;
    TPlotImage* Image1;
    QTableWidget* StringGrid1;

private:
    void FormCreate();
    QWidget* CreateOptionRow();
    void SavePicture(QSize size);
    /// Widens the table's columns to their widest text and the table to its columns.
    void FitColumns();
    void SetProblem(const QString& text);
    void FillTable(const TORVAFile& file, const TORVACell& cell, int observation, int channel, bool calibrated);
    void Draw();

    TUserDialogs& dialogs_;
    TViewDocument document_;
    std::vector<float> voltages_;
    TPlotScene scene_;
    int rangeUv_ = kDefaultRangeUv;
};

} // namespace orva::ui
