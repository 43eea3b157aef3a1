#pragma once
// What the channel-order conversion tells the user after writing, when the mapping file did
// not do what its name promises: every channel left in place, or lines that were ignored.
#include "model/ORVAFile.h"

#include <QString>

namespace orva::ui {

/// The note for a conversion with map (of channels entries) read from mapName, of which
/// ignoredLines lines were ignored; empty when the map reorders channels and no line was
/// ignored.
QString ConversionNote(const ChannelMap& map, int ignoredLines, const QString& mapName, const QString& target);

} // namespace orva::ui
