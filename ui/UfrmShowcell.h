#pragma once
// The cell graph window: one trace (cell, observation, channel) of the open document as a
// line plot of microvolts over time with grid lines, and the same trace as a table.
#include "model/ORVAFile.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTableWidget;

namespace orva::ui {

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
    /// Why no trace is drawn (hidden while one is).
    QLabel* lblProblem;
    TPlotImage* Image1;
    QTableWidget* StringGrid1;

private:
    void FormCreate();
    void SetProblem(const QString& text);
    void FillTable(const TORVAFile& file, const TORVACell& cell, int observation, int channel, bool calibrated);
    void Draw(const TORVAFile& file, const TORVACell* cell);

    TUserDialogs& dialogs_;
    TViewDocument document_;
    std::vector<float> voltages_;
};

} // namespace orva::ui
