#pragma once
// The map window (View > Net): the scalp map of the moment's cell and observation at the
// slider's sample, drawn by the same picture code as the batch tool's "map" command.
#include "plot/ScalpMapData.h"
#include "plot/ScalpMapPicture.h"
#include "ui/MapTime.h"
#include "ui/UserDialogs.h"
#include "ui/ViewSupport.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QPushButton;

namespace orva::ui {

class TMapImage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> Paint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TfrmNet : public QWidget {
    Q_OBJECT
public:
    TfrmNet(TUserDialogs& dialogs, TMapTime* time, QWidget* parent = nullptr);

    /// Binds the window to the document and the channels placed on the head; throws an
    /// EORVAError when the spline cannot be solved for them.
    void SetFile(std::weak_ptr<TORVAFile> file, plot::TMapChannels channels);

    /// What the window draws now: the one map and its colour range (the largest magnitude
    /// of the observation's placed channels over all its samples, so the colours keep
    /// their meaning while the slider moves).
    plot::TScalpMapScene Scene();
    /// The size of the map's panel at the window's present size.
    QSize PanelSize() const;

    /// "Save picture...": the map as shown, PNG or SVG by the name's extension.
    void btnSaveClick();

    TTimeSlider* Time;
    TMapImage* Image1;
    QPushButton* btnSave;

private:
    void Moved();

    TUserDialogs& dialogs_;
    TMapTime* time_;
    TViewDocument document_;
    plot::TMapChannels channels_;
    std::optional<plot::TScalpMapRenderer> renderer_;
    // The range belongs to one cell and observation.
    int rangeCell_ = -1, rangeObs_ = -1;
    double rangeUv_ = 1;
};

} // namespace orva::ui
