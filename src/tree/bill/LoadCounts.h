#pragma once

#include <QString>

#include <vector>

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

/// The load's counts kept as lines come and go, so that an edit costs what the bills above its
/// line cost, not the whole bill (a recount of a million lines took over half a second after
/// each drop or delete). A bill without a cycle follows each line added or taken out: the rows
/// and depth of every item are kept, and only the items above the line are summed again; the
/// lines shown follow how many shown lines use each item. Any other change of the structure
/// (a load, the rest of a bill read, a re-read, a cycle) has them counted again in full.
class CountKeeper {
public:
    /// The counts of `structure` as it stands (loadCounts' figures).
    LoadCounts counts(const Structure& structure);
    /// After Structure::insertLine returned `line`; `linesBefore`: lineCount() before it.
    void lineInserted(const Structure& structure, int line, int linesBefore);
    /// After Structure::eraseLine returned `line`.
    void lineErased(const Structure& structure, int line);
    /// After a change of the structure that no count depends on (a quantity).
    void unchanged(const Structure& structure);

private:
    /// Whether the structure changed only by the one change being told (Structure::revision
    /// moves by one a change): otherwise what is kept is dropped.
    bool follows(const Structure& structure);
    void rebuild(const Structure& structure);
    void grow(const Structure& structure);
    void markAbove(const Structure& structure, int item);
    void addUse(const Structure& structure, int item);
    void dropUse(const Structure& structure, int item);

    bool m_valid = false;
    quint64 m_revision = 0;
    std::vector<qint64> m_rows;        ///< per item: rows below one node of it
    std::vector<qint64> m_depth;       ///< per item: levels below one node of it
    std::vector<bool> m_dirty;         ///< per item: rows and depth to sum again
    std::vector<int> m_uses;           ///< per item: shown lines into it (the loaded item: 1)
    std::vector<std::vector<int>> m_usedBy; ///< per item: the lines into it, of every bill held
    qint64 m_lines = 0;                ///< lines of the items shown
};

/// What the status says after a load: "LAMP-DESK-100: 7 components, 33 rows in 3 levels, 33
/// lines", or "PRT-KNOB: no components".
QString loadSummary(const QString& item, const LoadCounts& counts);

/// The status after a load of `document`'s bill: loadSummary once the whole bill is read;
/// before that, its top level's components and that the rest is still being counted (a count
/// of part of a bill would be wrong).
QString loadSummary(const BomDocument& document);

} // namespace tree
