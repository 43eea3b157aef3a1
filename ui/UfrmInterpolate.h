#pragma once
// Tools > ERP operations > Interpolate channels: which channels to repair, which to leave
// out, and the sensors' positions file. The main window reads the positions and runs
// tools/ChannelInterpolation.
#include "select/Selection.h"
#include "ui/UfrmErp.h"

#include <filesystem>

namespace orva::ui {

/// What the dialog gathers: the lists (zero-based) and the positions file.
struct TInterpolateChoice {
    TSelectionList Channels;
    TSelectionList Excluded;
    std::filesystem::path Positions;
};

class TfrmInterpolate : public TfrmErpDialog {
    Q_OBJECT
public:
    /// positions: the file shown at first (empty for none).
    TfrmInterpolate(QWidget* parent, TUserDialogs& dialogs, const QString& positions, const QString& startFolder);
    TRead<TInterpolateChoice> Read() const;
    /// Browse...: the positions file from the open dialog.
    void btnBrowseClick();
    QLineEdit* edtChannels;
    QLineEdit* edtExclude; ///< empty: every other channel is interpolated from
    QLineEdit* edtPositions;
    QPushButton* btnBrowse;

private:
    TUserDialogs& dialogs_;
    QString startFolder_;
};

} // namespace orva::ui
