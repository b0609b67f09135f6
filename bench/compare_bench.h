#pragma once

#include <QString>

namespace bench {

/// The "compare" group: Compare Bills on the deep bill against a copy with a few lines
/// changed, removed and added (in the window, and the comparison alone), and the deep bill's
/// Excel exports. Prints one row per case with its median.
void compareCases(int runs, const QString& deep, const QString& dataDir);

} // namespace bench
