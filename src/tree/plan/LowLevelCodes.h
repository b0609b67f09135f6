#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tree {

/// The lowest level at which each item stands in any bill of the database: 0 for an item that
/// no line uses (a top), else one below the lowest of the assemblies that use it. An item on a
/// cycle, or below one, has no such level: it is reported rather than looped on.
struct LowLevelCodes {
    QHash<QString, int> code; ///< by folded ID; items without a code are absent
    QStringList circular;     ///< the items on or below a cycle, as first spelt, in line order
};

/// The codes of every item named by `lines` (assembly, component), in one pass over them.
LowLevelCodes lowLevelCodes(const std::vector<std::pair<QString, QString>>& lines);

} // namespace tree
