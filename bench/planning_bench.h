#pragma once

#include <QString>

namespace bench {

/// The "planning" group: the requirements of a plan over a dense structure (few lines, many
/// million paths), over one where every item uses every item below it and over the deep bill,
/// and Where Used up to the finished items of the most used part of `whereUsedFile`.
void planningCases(int runs, const QString& deep, const QString& whereUsedFile,
                   const QString& leaf);

} // namespace bench
