#pragma once

#include "tree/bill/BomTreeModel.h"

#include <QString>

#include <vector>

namespace store {
class SqliteStore;
}

namespace bench {

/// The sizes of the generated databases. `full()` is what the benchmark measures; smaller
/// ones keep the same shapes for tests and smoke runs.
struct Sizes {
    int deepLevels = 7;         ///< levels below the top item
    int deepPerLevel = 3000;    ///< items on each level
    int deepComponents = 4;     ///< components of each assembly
    int wideDirect = 5000;      ///< direct components of the wide top item
    int wideLeaves = 10;        ///< distinct leaves under each of them
    int items = 100000;         ///< ItemMaster rows of the items database
    int explodeLevels = 6;      ///< levels below the explode top item
    int explodeFanOut = 10;     ///< items per level, each using every item of the next level
    int scaleLines = 5'000'000; ///< lines of the scale database: the deep structure and others
    int historyChanges = 1'000'000; ///< row changes in the history of the deep file
    int printAssemblies = 540; ///< assemblies of the print's top item, 49 parts each: 500 pages
    int millionPerLevel = 60'000; ///< items on each level of the million-line bill

    static Sizes full() { return {}; }
    static Sizes small() { return {4, 30, 3, 40, 3, 500, 3, 4, 20'000, 20'000, 20}; }
};

inline const QString DeepTop = QStringLiteral("DEEP-TOP");
inline const QString MillionTop = QStringLiteral("MILLION-TOP");
inline const QString WideTop = QStringLiteral("WIDE-TOP");
inline const QString ExplodeTop = QStringLiteral("EXPLODE-TOP");
inline const QString PrintTop = QStringLiteral("PRINT-TOP");
/// The part of the print database that every assembly uses.
inline const QString PrintPart = QStringLiteral("PART-00");
/// An assembly of the items database, with components for the statistics, drop and delete.
inline const QString ItemsAssembly = QStringLiteral("ITEM-000000");

/// Each writes a new database file with the editor's schema, from a fixed seed.
void writeDeep(const QString& path, const Sizes& sizes);
/// A bill with about a million reachable lines (1,045,000 at the full size): 1,000 components
/// at the top, then eight levels of `millionPerLevel` items, each assembly using four items of
/// the next level, so that from the fourth level on every item is reached.
void writeMillion(const QString& path, const Sizes& sizes);
/// The lines MILLION-TOP reaches in the bill writeMillion writes.
qint64 millionLines(const Sizes& sizes);
/// PrintTop uses `printAssemblies` assemblies, each of which uses the same 49 parts.
void writePrint(const QString& path, const Sizes& sizes);
void writeWide(const QString& path, const Sizes& sizes);
void writeItems(const QString& path, const Sizes& sizes);
void writeExplode(const QString& path, const Sizes& sizes);
/// The deep structure inside a database of `scaleLines` lines, the rest unrelated to it.
void writeScale(const QString& path, const Sizes& sizes);
/// A small structure with shared sub-assemblies, case variants of one ID and a cycle.
void writeTangled(const QString& path);

} // namespace bench
