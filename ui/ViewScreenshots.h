#pragma once
// Shots of the view windows for orva-screenshot: the cell graph and the two export windows.
#include "ui/Screenshots.h"

namespace orva::ui::shots {

/// A cell graph window on the demo file: cell-graph.png.
void CellGraphShot(TShotContext& context);
/// The text export window on the demo file: text-export.png.
void TextExportShot(TShotContext& context);
/// The stats export window on the demo file: stats-export.png.
void StatsExportShot(TShotContext& context);

} // namespace orva::ui::shots
