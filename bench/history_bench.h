#pragma once

#include "BenchData.h"

#include <QString>

namespace bench {

/// The "history" group: what keeping the history of a database file costs the writes, and
/// how fast it is read; its files are written into `dataDir`.
/// `writesOnly`: the costs to the editor's writes alone ("--only history-writes").
void historyCases(int runs, const Sizes& sizes, const QString& dataDir, bool writesOnly = false);

} // namespace bench
