#pragma once

#include <QString>

namespace bench {

/// The "live" group: the latency from another process's commit (sqlite3 on the file, psql on a
/// throw-away server) to the change shown in an editor that shows the deep structure, with the
/// editor's own intervals; medians of `runs`.
void liveCases(int runs, const QString& deepDatabase);

} // namespace bench
