#pragma once

#include <QString>

namespace tree {

class BomDocument;
class Structure;

/// What a loaded bill holds, counted over its structure (never by making its paths).
struct LoadCounts {
    qint64 components = 0; ///< the loaded item's own lines: the rows at the top of the tree
    qint64 rows = 0;       ///< rows of the whole tree with every node open (Expand All's count)
    qint64 levels = 0;     ///< the deepest row's level, the top level being 1
    qint64 lines = 0;      ///< BomDetail lines the tree shows, each once however many rows show it
    bool operator==(const LoadCounts&) const = default;
};

/// The counts of the loaded bill: one pass over the structure's walk (Structure::walk), so that
/// a structure of millions of paths costs what its lines cost.
LoadCounts loadCounts(const Structure& structure);

/// What the status says after a load: "LAMP-DESK-100: 7 components, 33 rows in 3 levels, 33
/// lines", or "PRT-KNOB: no components".
QString loadSummary(const QString& item, const LoadCounts& counts);

/// The status after a load of `document`'s bill: loadSummary once the whole bill is read;
/// before that, its top level's components and that the rest is still being counted (a count
/// of part of a bill would be wrong).
QString loadSummary(const BomDocument& document);

} // namespace tree
