#pragma once

#include <QString>

namespace bench {

/// The "bulk" group: a component replaced in 500 assemblies and that undone, and a bill of
/// 1,000 lines copied, on a file and on a throw-away server; `dataDir` holds the file.
void bulkCases(int runs, const QString& dataDir);

} // namespace bench
