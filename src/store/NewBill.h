#pragma once

// The rule for starting a bill, the same for every store.

#include "store/Store.h"
#include "store/StoreError.h"

namespace store {

/// Refuses the first line of a bill for an assembly that ItemMaster does not hold: a mistyped
/// Item ID would otherwise become a bill that no list shows and no description names. An
/// assembly whose bill has lines already keeps its bill, row or not. Runs inside the write's
/// transaction as well as before it, so another program's delete cannot slip in between.
inline void refuseBillWithoutItem(Store& db, const QString& assembly) {
    if (db.findItem(assembly) || !db.components(assembly).isEmpty())
        return;
    throw StoreError(UnknownAssembly,
                     QStringLiteral("'%1' is not in the Item Master, and it has no bill of "
                                    "material yet: a bill is only started for an item of the "
                                    "Item Master. Nothing was written.")
                         .arg(assembly));
}

} // namespace store
