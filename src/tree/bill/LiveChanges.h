#pragma once

#include "store/ChangeSet.h"
#include "store/Store.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tree {

class Structure;

/// What other editors or programs changed in the database, as the change watcher tells it.
using StoreChanges = store::Changes;

/// What to read again for a structure, worked out on the window's thread from the structure
/// as it stands, so that the read itself touches only the store and its own copies.
struct ChangeRead {
    bool everything = false;
    QString top;             ///< the loaded item
    QStringList assemblies;  ///< named assemblies whose bill the structure holds
    QStringList items;       ///< named items the structure shows (the loaded item included)
    bool topNamed = false;   ///< whether the loaded item's ItemMaster row is among them
    /// The structure's items by folded ID, and whether each one's bill is held: a component
    /// the read meets that is not held brings the lines below it. Shared, not copied.
    QHash<QString, int> itemOf;
    std::vector<bool> held;
    bool empty() const { return !everything && assemblies.isEmpty() && items.isEmpty(); }
};

/// What such a read found, the database's state of the things named.
struct FreshLines {
    bool everything = false;
    /// Bills by folded assembly ID: with `everything`, every bill the loaded item reaches
    /// (an assembly absent has no lines); otherwise the named bills (`billsRead`) and the bills
    /// below the components new to the structure.
    QHash<QString, store::ComponentLines> bills;
    /// Folded IDs of the assemblies whose bill was read again (not with `everything`); one
    /// absent from `bills` has no lines now.
    QStringList billsRead;
    /// ItemMaster rows of the named items, by folded ID; empty where the item has no row.
    QHash<QString, std::optional<store::Item>> items;
    /// The loaded item's ItemMaster row, when it was read again.
    std::optional<std::optional<store::Item>> top;
};

/// A read planned for other editors' changes, and the structure's revision it was planned at.
struct ChangePlan {
    quint64 revision = 0;
    ChangeRead read;
};

/// What a re-read of the shown tree found different from what it showed.
struct ShownChanges {
    QStringList assemblies;  ///< assemblies whose bill now shows differently, as the tree spells them
    QStringList items;       ///< items whose unit, description or Item Master row now shows differently
    /// The loaded item's description as now stored (noDescription(), notInItemMaster()), when it
    /// was read again and differs from the one shown: for the Item Description field.
    std::optional<QString> topDescription;
    bool any() const { return !assemblies.isEmpty() || !items.isEmpty() || topDescription; }
};

/// The read `changes` calls for over `structure` (loaded for `structure.topText()`).
ChangeRead planChangeRead(const Structure& structure, const StoreChanges& changes);
/// Runs the read on `db`: with `everything` one reachableLines and one findItem; otherwise one
/// componentsOfEach of the named bills, one reachableLinesOfEach below the components they
/// bring that the structure does not hold, and one findItems. Throws StoreError.
FreshLines readChanges(store::Store& db, const ChangeRead& plan);

} // namespace tree
