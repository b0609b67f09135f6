#include "tree/bill/LiveChanges.h"

#include "store/ItemKey.h"
#include "tree/bill/Structure.h"

#include <QSet>

namespace tree {

using store::foldKey;

ChangeRead planChangeRead(const Structure& structure, const StoreChanges& changes) {
    ChangeRead plan;
    plan.top = structure.topText();
    plan.everything = changes.everything;
    if (plan.everything)
        return plan;
    // Only what the structure holds is read: a bill it does not hold shows nowhere, and an
    // item it does not know comes, when a line brings it, with the bill read.
    QSet<int> seen;
    for (const QString& assembly : changes.assemblies) {
        const int item = structure.itemOf(assembly);
        if (item >= 0 && structure.isRead(item) && !seen.contains(item)) {
            seen.insert(item);
            plan.assemblies.append(structure.textOf(item));
        }
    }
    seen.clear();
    for (const QString& id : changes.items) {
        const int item = structure.itemOf(id);
        if (item >= 0 && !seen.contains(item)) {
            seen.insert(item);
            plan.items.append(structure.textOf(item));
            plan.topNamed = plan.topNamed || item == Structure::Top;
        }
    }
    if (plan.assemblies.isEmpty())
        return plan;
    plan.itemOf = structure.itemIndex();
    plan.held.resize(size_t(structure.itemCount()));
    for (int item = 0; item < structure.itemCount(); ++item)
        plan.held[size_t(item)] = structure.isRead(item);
    return plan;
}

FreshLines readChanges(store::Store& db, const ChangeRead& plan) {
    FreshLines fresh;
    fresh.everything = plan.everything;
    if (plan.everything) {
        fresh.top = db.findItem(plan.top);
        fresh.bills = db.reachableLines(plan.top);
        return fresh;
    }
    if (!plan.assemblies.isEmpty()) {
        const std::vector<store::ComponentLines> bills = db.componentsOfEach(plan.assemblies);
        QStringList below;
        QSet<QString> belowKeys;
        for (qsizetype i = 0; i < plan.assemblies.size(); ++i) {
            const QString key = foldKey(plan.assemblies.at(i));
            fresh.billsRead.append(key);
            const store::ComponentLines& bill = bills[size_t(i)];
            if (bill.isEmpty())
                continue;
            fresh.bills.insert(key, bill);
            for (const store::ComponentLine& line : bill) {
                const QString component = foldKey(line.id);
                const int item = plan.itemOf.value(component, -1);
                if ((item < 0 || !plan.held[size_t(item)]) && !belowKeys.contains(component)) {
                    belowKeys.insert(component);
                    below.append(line.id);
                }
            }
        }
        // The bills below the components new to the structure, each read once.
        if (!below.isEmpty()) {
            const QHash<QString, store::ComponentLines> reached = db.reachableLinesOfEach(below);
            for (auto it = reached.cbegin(); it != reached.cend(); ++it)
                if (!fresh.bills.contains(it.key()))
                    fresh.bills.insert(it.key(), *it);
        }
    }
    if (!plan.items.isEmpty()) {
        const std::vector<std::optional<store::Item>> rows = db.findItems(plan.items);
        for (qsizetype i = 0; i < plan.items.size(); ++i)
            fresh.items.insert(foldKey(plan.items.at(i)), rows[size_t(i)]);
        if (plan.topNamed)
            fresh.top = fresh.items.value(foldKey(plan.top));
    }
    return fresh;
}

} // namespace tree
