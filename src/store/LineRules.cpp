#include "store/LineRules.h"

#include "store/ItemKey.h"
#include "store/Store.h"

#include <cmath>

namespace store {

void refuseCircular(Store& db, const QString& assembly, const QString& component) {
    if (foldKey(assembly) == foldKey(component))
        throw errors::componentOfItself(component);
    if (db.structureContains(component, assembly))
        throw errors::closesCycle(assembly, component);
}

void refuseBillWithoutItem(Store& db, const QString& assembly) {
    if (db.findItem(assembly) || db.hasLines(assembly))
        return;
    throw errors::billWithoutItem(assembly);
}

bool isWritableQuantity(const QVariant& quantity) {
    if (quantity.isNull())
        return true;
    switch (quantity.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return std::isfinite(quantity.toDouble());
    default:
        return true;
    }
}

void Store::checkNewLine(const QString& assembly, const QString& component) {
    // In this order, on every store and as a batch checks each line: a cycle first, then a
    // bill for an unknown item, then a component that is no item (deleted from the Item Master
    // since the list that offered it was read), then a line the bill has already.
    refuseCircular(*this, assembly, component);
    refuseBillWithoutItem(*this, assembly);
    if (!findItem(component))
        throw errors::unknownComponent(component);
    if (findLine(assembly, component))
        throw errors::duplicateLine(assembly, component);
}

} // namespace store
