#pragma once
// The moment that the map window and the channel values window show: a cell, an observation
// and a sample of the open document, shared so that one slider moves both windows.
#include "model/ORVAFile.h"

#include <QObject>
#include <QWidget>

#include <memory>

class QLabel;
class QSlider;

namespace orva::ui {

class TMapTime : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    int Cell = 0;   ///< zero-based
    int Obs = 0;    ///< zero-based
    int Sample = 0; ///< zero-based
    /// Moves to the given moment; Changed is sent when anything moved.
    void Set(int cell, int obs, int sample);

signals:
    void Changed();
};

/// A slider over the samples of the moment's cell with the cell, observation and time
/// beside it; moving it moves the shared moment, and it follows the moment when others move it.
class TTimeSlider : public QWidget {
    Q_OBJECT
public:
    TTimeSlider(TMapTime* time, QWidget* parent = nullptr);
    void SetFile(std::weak_ptr<TORVAFile> file);
    QSlider* Slider;
    QLabel* lblTime;

private:
    void Follow();

    TMapTime* time_;
    std::weak_ptr<TORVAFile> file_;
};

/// "Cell 2, obs. 1: 176 ms" (times as the measures count them).
QString MomentText(const TORVAFile& file, const TMapTime& time);

} // namespace orva::ui
