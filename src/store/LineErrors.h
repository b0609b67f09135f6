#pragma once

// The refusals of the line writes, worded once for every store.

#include "store/StoreError.h"

namespace store::errors {

inline StoreError componentOfItself(const QString& component) {
    return StoreError(CircularComponent,
                      QStringLiteral("'%1' cannot be a component of itself.").arg(component));
}

inline StoreError closesCycle(const QString& assembly, const QString& component) {
    return StoreError(CircularComponent,
                      QStringLiteral("'%1' cannot be a component of '%2': '%2' is already part "
                                     "of the structure of '%1'.")
                          .arg(component, assembly));
}

inline StoreError duplicateLine(const QString& assembly, const QString& component) {
    return StoreError(DuplicateLine,
                      QStringLiteral("The bill of material of '%1' already lists '%2'.")
                          .arg(assembly, component));
}

inline StoreError lineChanged(const QString& assembly, const QString& component) {
    return StoreError(LineChanged,
                      QStringLiteral("The line of '%1' in the bill of material of '%2' has been "
                                     "changed or removed by another program since; nothing "
                                     "was written.")
                          .arg(component, assembly));
}

inline StoreError lineNotUnique(const QString& assembly, const QString& component, int rows) {
    return StoreError(LineNotUnique,
                      QStringLiteral("The line of '%1' in the bill of material of '%2' stands in "
                                     "BomDetail as %3 rows whose IDs differ only in letter case, "
                                     "and the editor changes one line at a time; nothing was "
                                     "written. Keep one of those rows and give the table its "
                                     "unique index under the key rule (on a server, "
                                     "bom-import --create-schema adds it).")
                          .arg(component, assembly)
                          .arg(rows));
}

/// A write that was to touch exactly the one line (assembly, component): none means another
/// program changed or removed it, more than one a table without its unique key index. Either
/// way the caller's transaction must not commit.
inline void requireOneLine(qsizetype rows, const QString& assembly, const QString& component) {
    if (rows == 0)
        throw lineChanged(assembly, component);
    if (rows > 1)
        throw lineNotUnique(assembly, component, int(rows));
}

} // namespace store::errors
