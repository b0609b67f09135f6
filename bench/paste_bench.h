#pragma once

#include "BenchData.h"

#include <QString>

namespace bench {

/// The "paste" group: 1,000 lines of a spreadsheet pasted into an assembly of the items
/// database through the window (read, resolve, check, preview, write, show), on the file and,
/// where the machine has the server binaries, on a throw-away server; the preview and the
/// write timed apart, medians of `runs`; and, on the file, 10,000 rows pasted into the
/// Requirements plan.
void pasteCases(int runs, const Sizes& sizes, const QString& itemsDatabase);

} // namespace bench
