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

} // namespace store::errors
