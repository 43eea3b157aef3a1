#pragma once
// Shots of the view windows for orva-screenshot: the cell graph and the two export windows.
#include "ui/Screenshots.h"

namespace orva::ui::shots {

/// A cell graph window on the demo file: cell-graph.png.
void CellGraphShot(TShotContext& context);
/// The cell graph at its minimum size, as it opens: cell-graph-small.png.
void CellGraphSmallShot(TShotContext& context);
/// The cell graph fitted to the demo waveform, negative up, with axes: cell-graph-fit.png.
void CellGraphFitShot(TShotContext& context);
/// Every cell laid over each other with a legend: cell-graph-cells.png.
void CellGraphCellsShot(TShotContext& context);
/// Every channel of the observation, the chosen one highlighted: cell-graph-channels.png.
void CellGraphChannelsShot(TShotContext& context);
/// Samples beyond a small range, marked at the edges: cell-graph-clipped.png.
void CellGraphClippedShot(TShotContext& context);
/// The picture size dialog: picture-size.png.
void PictureSizeShot(TShotContext& context);
/// The text export window on the demo file: text-export.png.
void TextExportShot(TShotContext& context);
/// The stats export window on the demo file: stats-export.png.
void StatsExportShot(TShotContext& context);
/// The measure window on the late wave of the demo file, its window shaded, its peak marked.
void MeasureShot(TShotContext& context);
/// The measure window's picture alone on a late wave of the demo, for the guide to the measures:
/// the two areas (measure-areas.png), the 50 % area latency (measure-fractional-area.png)
/// and the 50 % peak onset (measure-fractional-peak.png).
void MeasureAreasShot(TShotContext& context);
void MeasureFractionalAreaShot(TShotContext& context);
void MeasureFractionalPeakShot(TShotContext& context);
/// The map window at the demo's P3 beside the channel values window: net.png.
void NetShot(TShotContext& context);
/// The cluster test window on the demo study, Target - Standard, its P3 cluster chosen:
/// cluster-test.png.
void ClusterTestShot(TShotContext& context);
/// The artifact detection window on the demo session, its bad trials marked: artifacts.png.
void ArtifactsShot(TShotContext& context);
/// A blink of the demo session in a cell graph with every channel laid over the others:
/// artifact-trial.png.
void ArtifactTrialShot(TShotContext& context);

} // namespace orva::ui::shots
