#pragma once
// Scalp maps: the head seen from above, each point coloured by the spherical spline through
// the sensors' values, several maps side by side on one colour scale with its bar. The batch
// tool's "map" command and the desktop program's map window both draw with it.
#include "head/SphericalSpline.h"
#include "plot/ScalpMapGeometry.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace orva::plot {

/// One map: its title (a time or a window) and the value in microvolts at each sensor.
struct TScalpMap {
    std::string Title;
    std::vector<double> Values;
};

/// What a picture shows. The colour scale runs from -RangeUv (blue) to +RangeUv (red).
struct TScalpMapScene {
    std::vector<std::string> Labels; ///< one per sensor, in the order of the renderer's
    std::vector<TScalpMap> Maps;
    double RangeUv = 1;
    bool ShowLabels = false;
};

/// The width of the colour bar beside the maps, in pixels.
inline constexpr int kColourBarWidth = 72;
/// The height of the title strip above each map, in pixels.
inline constexpr int kMapTitleHeight = 20;

/// The size of a picture of `maps` panels of the given size side by side and the bar.
QSize ScalpMapPictureSize(QSize panel, int maps);

/// The head's outline at 90 degrees from the top, its nose and ears, in a map's frame; the pens
/// grow with scale (1 for a 300-pixel panel). Every picture of the head draws it so.
void DrawHeadOutline(QPainter& painter, const TMapFrame& frame, double scale);

/// The spline's kernel g(cos angle) between each point and each sensor (unit vectors), row
/// major (points x sensors), from a fine table of SplineKernel.
std::vector<double> KernelRows(const std::vector<TPoint3>& points, const std::vector<TPoint3>& sensors);

/// Draws maps for one set of sensors. The kernel rows of every covered pixel are computed
/// once per panel size and reused for every map drawn at that size; each map then costs
/// one solve for its spline's weights and one weighted sum per pixel.
class TScalpMapRenderer {
public:
    /// The sensors' directions from the centre of the head (any length but zero). Throws an
    /// EORVAError when the spline cannot be solved for them.
    explicit TScalpMapRenderer(std::vector<TPoint3> sensors);

    const std::vector<TPoint3>& Sensors() const { return sensors_; }

    /// The spline's value at every pixel of a panel (row major), NaN where the map does not
    /// reach; values holds one number per sensor.
    std::vector<float> PanelValues(QSize panel, const std::vector<double>& values);

    /// Paints every map of the scene side by side, then the colour bar, from the painter's
    /// origin; the picture is ScalpMapPictureSize(panel, maps) large.
    void Paint(QPainter& painter, QSize panel, const TScalpMapScene& scene);

    /// The picture on a new white bitmap.
    QImage Render(QSize panel, const TScalpMapScene& scene);

    /// Writes the picture to path as PNG or SVG, by the extension, through the safe write.
    void Save(const QString& path, QSize panel, const TScalpMapScene& scene);

private:
    const TMapPixels& PixelsFor(QSize panel);

    std::vector<TPoint3> sensors_;
    TSphericalSpline spline_;
    double reach_ = 0;
    QSize cachedPanel_;
    TMapPixels pixels_;
    std::vector<double> kernels_;
};

} // namespace orva::plot
