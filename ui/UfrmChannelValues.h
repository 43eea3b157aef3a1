#pragma once
// The channel values window (View > Channel values): every channel's number, name and
// calibrated value at the moment's sample, following the same slider as the map window.
#include "ui/MapTime.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QWidget>

#include <string>
#include <vector>

class QPushButton;
class QTableWidget;

namespace orva::ui {

class TfrmChannelValues : public QWidget {
    Q_OBJECT
public:
    TfrmChannelValues(TUserDialogs& dialogs, TMapTime* time, QWidget* parent = nullptr);

    /// Binds the window to the document; names holds one name per channel.
    void SetFile(std::weak_ptr<TORVAFile> file, std::vector<std::string> names);

    /// The table as tab-separated lines, the headings first.
    QString TableText() const;
    /// "Copy": the table on the clipboard as tab-separated text.
    void btnCopyClick();

    TTimeSlider* Time;
    QTableWidget* StringGrid1;
    QPushButton* btnCopy;

private:
    void Fill();

    TUserDialogs& dialogs_;
    TMapTime* time_;
    TViewDocument document_;
    std::vector<std::string> names_;
};

} // namespace orva::ui
