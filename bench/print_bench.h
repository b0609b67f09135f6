#pragma once

#include "Bench.h"

namespace bench {

/// The "print" group: File ▸ Print… of a bill of 500 pages to a PDF file, whole and as a range
/// of its last ten pages (a range costs the pages printed, not the bill), and the summarised
/// bill and the Where Used list of a part used in every assembly.
void printCases(Bench& bench);

} // namespace bench
