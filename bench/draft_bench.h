#pragma once

#include "BenchData.h"

#include <QString>

namespace bench {

/// The "drafts" group, on copies of the items and deep files with their history kept: a draft
/// of 5,000 added lines applied, beside the same lines written straight into the tables (the
/// store's paste); and the deep bill's top level and whole structure read with an open draft
/// of 1,000 changed lines shown, beside the same reads without it. Medians of `runs`.
void draftCases(int runs, const Sizes& sizes, const QString& deep, const QString& items);

} // namespace bench
