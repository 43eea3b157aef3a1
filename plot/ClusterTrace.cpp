#include "plot/ClusterTrace.h"

#include "plot/PlotGeometry.h"
#include "plot/PlotPainter.h"
#include "plot/PlotScale.h"

#include <QPainter>

#include <algorithm>

namespace orva::plot {

std::vector<float> MeanTrace(const TORVAFile& file, int cell, int channel)
{
    const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
    const auto samples = static_cast<std::size_t>(std::max(0, c.SamplesPerObservation));
    std::vector<double> sum(samples, 0.0);
    for (int o = 0; o < c.NumObservations; ++o)
        for (std::size_t s = 0; s < samples; ++s)
            sum[s] += CalibratedValue(file, c.Data(o, static_cast<int>(s), channel), channel);
    std::vector<float> mean(samples, 0.0f);
    if (c.NumObservations > 0)
        for (std::size_t s = 0; s < samples; ++s)
            mean[s] = static_cast<float>(sum[s] / c.NumObservations);
    return mean;
}

TPlotScene MeanTraceScene(const TORVAFile& file, const std::vector<int>& cells, int channel)
{
    TPlotOptions options;
    options.Axes = true;
    TPlotScene scene = TraceFreeScene(file, cells.empty() ? nullptr : &file.Cells[static_cast<std::size_t>(cells[0])],
                                      options);
    for (int cell : cells) {
        const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
        const std::string name = c.Name.empty() ? "Cell " + std::to_string(cell + 1) : c.Name;
        scene.Series.push_back({MeanTrace(file, cell, channel), c.SamplesPerSecond, CellColour(cell), false,
                                name + " mean", 2});
    }
    if (!scene.Series.empty())
        scene.Series.front().Highlight = true;
    scene.Legend = true;
    scene.Options.RangeUv = FitRange(SceneVoltages(scene));
    scene.Options.YGrid = AdaptYGrid(scene.Options.YGrid, scene.Options.RangeUv);
    return scene;
}

TSampleBand ComputeSampleBand(const TPlotScene& scene, QSize area, const TSampleRange& range)
{
    // The x of a sample does not depend on its value: a flat trace gives the columns.
    TPlotInput in;
    in.Width = area.width();
    in.Height = area.height();
    in.Samples = scene.Samples;
    in.SamplesPerSecond = scene.SamplesPerSecond;
    in.RangeUv = scene.Options.RangeUv;
    in.Voltages.assign(static_cast<std::size_t>(std::max(0, scene.Samples)), 0.0f);
    const TPlotGeometry g = ComputePlotGeometry(in);
    TSampleBand band;
    if (g.Trace.empty())
        return band;
    const int last = static_cast<int>(g.Trace.size()) - 1;
    band.Left = g.Trace[static_cast<std::size_t>(std::clamp(range.First, 0, last))].X;
    band.Right = std::max(band.Left + 1, g.Trace[static_cast<std::size_t>(std::clamp(range.Last, 0, last))].X);
    return band;
}

QImage ShadedTracePicture(const TPlotScene& scene, const std::optional<TSampleRange>& range, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const TPlotPaintResult painted = PaintPlot(painter, size, scene);
    if (!range)
        return image;
    const QSize area = painted.Area.size();
    const TSampleBand band = ComputeSampleBand(scene, area, *range);
    painter.translate(painted.Area.topLeft());
    painter.setClipRect(0, 0, area.width(), area.height());
    // Translucent, so the traces and the grid show through it.
    const QColor shade = range->Sign > 0 ? QColor(230, 40, 40, 60) : QColor(40, 90, 230, 60);
    painter.fillRect(QRect(band.Left, 0, band.Right - band.Left, area.height()), shade);
    return image;
}

} // namespace orva::plot
