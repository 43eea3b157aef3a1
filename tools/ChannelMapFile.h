#pragma once
#include "model/ORVAFile.h"

#include <string>
#include <string_view>

namespace orva {

/// Reads the mapping file at path: one line per output channel, "A<TAB>B" (both counted
/// from 1), meaning output channel A takes source channel B. The map starts with every
/// entry 0 (the first channel). Lines whose A is not within 1..count (empty lines and lines
/// without a TAB among them) change nothing; their number is stored in *ignoredLines.
/// A missing or unreadable file throws an EORVAError naming the path.
ChannelMap ReadChannelMap(const std::filesystem::path& path, int count, int* ignoredLines = nullptr);

/// ReadChannelMap on the text of a mapping file already in memory.
ChannelMap ParseChannelMap(std::string_view text, int count, int* ignoredLines = nullptr);

} // namespace orva
