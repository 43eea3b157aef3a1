#pragma once
// Checks shared by the two export builders.
#include "model/ORVAFile.h"

#include <string>

namespace orva {

/// The name under which export errors report the document: its full path, else its name.
std::string ExportedDocumentName(const TORVAFile& file);

/// Throws EORVAError(document, cause).
[[noreturn]] void RefuseExport(const TORVAFile& file, const std::string& cause);

/// Refuses a document whose cells do not hold the samples their counts announce, so that
/// no index derived from the counts can leave a cell's data.
void CheckDocumentShape(const TORVAFile& file);

/// Refuses channel c (zero-based) when its calibration would divide by zero.
void CheckCalibration(const TORVAFile& file, int c);

/// "the valid range 1 to <count>", or "the valid range: <why>" when count is 0.
std::string ValidRangeText(int count, const std::string& whyEmpty);

} // namespace orva
