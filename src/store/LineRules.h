#pragma once

// The refusals of the line writes and the checks of a new line, worded and written once for
// every store.

#include "store/StoreError.h"

#include <QCoreApplication>
#include <QString>
#include <QVariant>

namespace store::errors {

inline StoreError componentOfItself(const QString& component) {
    return StoreError(CircularComponent,
                      QCoreApplication::translate("store", "'%1' cannot be a component of itself.")
                          .arg(component));
}

inline StoreError closesCycle(const QString& assembly, const QString& component) {
    return StoreError(CircularComponent,
                      QCoreApplication::translate(
                          "store", "'%1' cannot be a component of '%2': '%2' is already part "
                                   "of the structure of '%1'.")
                          .arg(component, assembly));
}

inline StoreError duplicateLine(const QString& assembly, const QString& component) {
    return StoreError(
        DuplicateLine,
        QCoreApplication::translate("store", "The bill of material of '%1' already lists '%2'.")
            .arg(assembly, component));
}

inline StoreError billWithoutItem(const QString& assembly) {
    return StoreError(UnknownAssembly,
                      QCoreApplication::translate(
                          "store", "'%1' is not in the Item Master, and it has no bill of "
                                   "material yet: a bill is only started for an item of the "
                                   "Item Master. Nothing was written.")
                          .arg(assembly));
}

inline StoreError unknownComponent(const QString& component) {
    return StoreError(
        PasteUnknownItem,
        QCoreApplication::translate("store", "'%1' is not in the Item Master.").arg(component));
}

inline StoreError notFinite(const QString& assembly, const QString& component, double quantity) {
    return StoreError(InvalidQuantity,
                      QCoreApplication::translate(
                          "store", "The quantity of '%1' in the bill of material of '%2' would "
                                   "be %3, which is not a finite number.")
                          .arg(component, assembly, QString::number(quantity)));
}

inline StoreError lineChanged(const QString& assembly, const QString& component) {
    return StoreError(LineChanged,
                      QCoreApplication::translate(
                          "store", "The line of '%1' in the bill of material of '%2' has been "
                                   "changed or removed by another program since; nothing "
                                   "was written.")
                          .arg(component, assembly));
}

inline StoreError lineNotUnique(const QString& assembly, const QString& component, int rows) {
    return StoreError(LineNotUnique,
                      QCoreApplication::translate(
                          "store", "The line of '%1' in the bill of material of '%2' stands in "
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

namespace store {

class Store;

/// Refuses a line that would make `component` part of its own structure (CircularComponent):
/// a component equal to its assembly under the store's case rule, or one whose structure
/// already contains the assembly.
void refuseCircular(Store& db, const QString& assembly, const QString& component);

/// Refuses the first line of a bill for an assembly that ItemMaster does not hold
/// (UnknownAssembly): a mistyped Item ID would otherwise become a bill that no list shows and
/// no description names. An assembly whose bill has lines already keeps its bill, row or not.
/// Runs inside the write's transaction as well as before it, so another program's delete
/// cannot slip in between.
void refuseBillWithoutItem(Store& db, const QString& assembly);

/// Whether a stored quantity may be written as a new one: Null, or a number that is finite.
/// Text is left to what the table holds already.
bool isWritableQuantity(const QVariant& quantity);

} // namespace store
