#pragma once
// The stats export window: four typed lists (cells, observations, channels, samples) with
// buttons that fill the channel and sample lists; writes the stats table, or the long table
// of the same selection, to a chosen file.
#include "model/ORVAFile.h"
#include "select/Selection.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace orva::ui {

class TfrmStatexport : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 369;
    static constexpr int kClientHeight = 233;

    TfrmStatexport(TUserDialogs& dialogs, QWidget* parent = nullptr);

    /// Binds the window to the document (it never owns it) and proposes every cell, the
    /// observations and samples that every cell has, and no channel.
    void SetFile(std::weak_ptr<TORVAFile> file);

    void btnAllChannelsClick();
    void btnClearChannelsClick();
    void btnAllSamplesClick();
    void btnClearSamplesClick();
    /// Either sample spin edit changed: the two limit each other and fill the sample box.
    void seSamplesChange();
    /// Parses the four boxes, builds the lines, asks for the output file, writes it and reports.
    void btnExportClick();
    /// Writes the same selection as a long table (CSV, one row per value) to a file of its
    /// own; the window stays open for the stats export.
    void btnSaveLongTableClick();
    /// Closes the window; nothing is written.
    void btnCancelClick();

    /// The smallest observation and sample counts over all cells (0 without cells).
    int MinObservations() const { return minObservations_; }
    int MinSamples() const { return minSamples_; }

    QLabel* lblCells;
    QLineEdit* edtCells;
    QLabel* lblObservations;
    QLineEdit* edtObservations;
    QLabel* lblChannels;
    QLineEdit* edtChannels;
    QPushButton* btnAllChannels;
    QPushButton* btnClearChannels;
    QLabel* lblSamples;
    QLineEdit* edtSamples;
    QPushButton* btnAllSamples;
    QLabel* lblSampleFrom;
    QSpinBox* seSampleFrom;
    QLabel* lblSampleTo;
    QSpinBox* seSampleTo;
    QPushButton* btnClearSamples;
    QFrame* Panel1;
    QPushButton* btnExport;
    QPushButton* btnCancel;
    QPushButton* btnSaveLongTable;

private:
    /// The four boxes as selection lists, read at this moment.
    struct TLists {
        TSelectionList Cells, Observations, Channels, Samples;
    };
    TLists ReadLists() const;

    TUserDialogs& dialogs_;
    TViewDocument document_;
    int numChannels_ = 0;
    int minObservations_ = 0;
    int minSamples_ = 0;
};

} // namespace orva::ui
