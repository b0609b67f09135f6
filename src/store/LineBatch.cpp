// Many line changes checked and written as one: the same checks as a single add or delete, run
// over what the table holds once the lines before each have been written, with every read done
// once for the whole batch.

#include "store/ItemKey.h"
#include "store/LineRules.h"
#include "store/SqlStore.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace store {

bool BatchRefusals::any() const {
    const auto refused = [](const std::optional<StoreError>& refusal) { return bool(refusal); };
    return std::any_of(removed.cbegin(), removed.cend(), refused) ||
           std::any_of(added.cbegin(), added.cend(), refused);
}

LineRow newLine(const QString& assembly, const QString& component, double quantity) {
    return {assembly, component, QVariant(quantity),
            QDateTime::currentDateTime().toString(schema::StartDateFormat)};
}

namespace {

/// Whether a stored value is the one a row holds, as the deletes' "IS" compares them: Null
/// with Null, numbers as numbers, anything else as its text.
bool sameValue(const QVariant& stored, const QVariant& held) {
    if (stored.isNull() || held.isNull())
        return stored.isNull() && held.isNull();
    bool storedNumber = false;
    bool heldNumber = false;
    const double storedValue = stored.toDouble(&storedNumber);
    const double heldValue = held.toDouble(&heldNumber);
    if (storedNumber && heldNumber)
        return storedValue == heldValue;
    return stored.toString() == held.toString();
}

/// The table as far as a batch can see it, changed as each line that passes is written.
class BatchModel {
public:
    BatchModel(Store& db, const LineBatch& batch) : m_db(db), m_restoring(batch.restoring) {
        // The bills of the assemblies that gain lines, for the duplicates and the rule of
        // starting a bill, in one read.
        QStringList assemblies;
        for (const LineRow& row : batch.added)
            if (const QString key = foldKey(row.assembly); !m_lines.contains(key)) {
                m_lines.insert(key, {});
                assemblies.append(row.assembly);
            }
        const std::vector<ComponentLines> read = db.componentsOfEach(assemblies);
        for (qsizetype i = 0; i < assemblies.size(); ++i) {
            QSet<QString>& lines = m_lines[foldKey(assemblies.at(i))];
            for (const ComponentLine& line : read[size_t(i)])
                lines.insert(foldKey(line.id));
        }
        // The structure below every component added, read once for all of them: it holds
        // everything a cycle through an added line could pass.
        QStringList components;
        for (const LineRow& row : batch.added)
            if (const QString key = foldKey(row.component); !m_rootSet.contains(key)) {
                m_rootSet.insert(key);
                components.append(row.component);
                m_roots.append(key);
            }
        // Every new line's component must be an item, read once each: inside the write's
        // transaction too, so that another program's delete of one since the preview is seen.
        if (!m_restoring) {
            const std::vector<std::optional<Item>> items = db.findItems(components);
            for (qsizetype i = 0; i < components.size(); ++i)
                m_items.insert(m_roots.at(i), items[size_t(i)].has_value());
        }
        const QHash<QString, ComponentLines> below = db.reachableLinesOfEach(components);
        for (auto bill = below.cbegin(); bill != below.cend(); ++bill) {
            QSet<QString>& edges = m_graph[bill.key()];
            for (const ComponentLine& line : *bill)
                edges.insert(foldKey(line.id));
        }
    }

    /// The refusal of deleting `row` (stored as `stored`, if at all) now; empty when it goes,
    /// and then it is gone.
    std::optional<StoreError> remove(const LineRow& row, const std::optional<LineRow>& stored) {
        const QString assembly = foldKey(row.assembly);
        const QString component = foldKey(row.component);
        if (!stored || m_removed.contains({assembly, component}) ||
            !sameValue(stored->quantity, row.quantity) ||
            !sameValue(stored->startDate, row.startDate))
            return errors::lineChanged(row.assembly, row.component);
        m_removed.insert({assembly, component});
        if (const auto lines = m_lines.find(assembly); lines != m_lines.end())
            lines->remove(component);
        if (const auto edges = m_graph.find(assembly); edges != m_graph.end())
            edges->remove(component);
        return std::nullopt;
    }

    /// The refusal of adding `row` now, in addLine's order; empty when it goes in, and then
    /// it is there.
    std::optional<StoreError> add(const LineRow& row) {
        if (!m_setsMade)
            makeSets();
        const QString assembly = foldKey(row.assembly);
        const QString component = foldKey(row.component);
        if (assembly == component)
            return errors::componentOfItself(row.component);
        const QSet<QString>& belowComponent = m_below[component];
        if (belowComponent.contains(assembly))
            return errors::closesCycle(row.assembly, row.component);
        QSet<QString>& lines = m_lines[assembly];
        if (lines.isEmpty() && !m_restoring && !isItem(row.assembly))
            return errors::billWithoutItem(row.assembly);
        if (!m_restoring && !isItem(row.component))
            return errors::unknownComponent(row.component);
        if (lines.contains(component))
            return errors::duplicateLine(row.assembly, row.component);
        if (!m_restoring && !isWritableQuantity(row.quantity))
            return errors::notFinite(row.assembly, row.component, row.quantity.toDouble());
        lines.insert(component);
        // Every structure that reaches the assembly (or is its own) now reaches the component
        // and all below it; no other changes. The component's own set stays as it is: it
        // neither is nor reaches the assembly. Only those structures are visited, so that a
        // batch of many lines under one assembly costs what it changes, not lines times
        // components.
        QStringList reaching;
        if (const auto above = m_above.constFind(assembly); above != m_above.cend())
            reaching = QStringList(above->cbegin(), above->cend());
        if (m_rootSet.contains(assembly))
            reaching.append(assembly);
        if (reaching.isEmpty())
            return std::nullopt;
        QSet<QString> gained = belowComponent;
        gained.insert(component);
        for (const QString& root : std::as_const(reaching)) {
            QSet<QString>& set = m_below[root];
            for (const QString& item : std::as_const(gained))
                if (!set.contains(item)) {
                    set.insert(item);
                    m_above[item].insert(root);
                }
        }
        return std::nullopt;
    }

private:
    /// The items below each component added, over the structure as the deletions left it.
    void makeSets() {
        m_setsMade = true;
        for (const QString& root : std::as_const(m_roots)) {
            QSet<QString>& set = m_below[root];
            QStringList pending{root};
            while (!pending.isEmpty()) {
                const auto edges = m_graph.constFind(pending.takeLast());
                if (edges == m_graph.cend())
                    continue;
                for (const QString& next : *edges)
                    if (!set.contains(next)) {
                        set.insert(next);
                        m_above[next].insert(root);
                        pending.append(next);
                    }
            }
        }
    }

    bool isItem(const QString& id) {
        const QString key = foldKey(id);
        auto known = m_items.constFind(key);
        if (known == m_items.cend())
            known = m_items.insert(key, m_db.findItem(id).has_value());
        return *known;
    }

    Store& m_db;
    QHash<QString, QSet<QString>> m_lines;  ///< folded components by folded assembly
    QHash<QString, QSet<QString>> m_graph;  ///< the lines below the components added
    QStringList m_roots;                    ///< the components added, folded, each once
    QSet<QString> m_rootSet;                ///< the same, to look up
    QHash<QString, QSet<QString>> m_below;  ///< what stands below each of them
    QHash<QString, QSet<QString>> m_above;  ///< the roots whose m_below holds each item
    QSet<std::pair<QString, QString>> m_removed;
    QHash<QString, bool> m_items;           ///< whether ItemMaster holds each folded ID
    bool m_setsMade = false;
    bool m_restoring = false;
};

} // namespace

std::vector<std::optional<Item>> Store::findItems(const QStringList& ids) {
    std::vector<std::optional<Item>> found;
    found.reserve(size_t(ids.size()));
    for (const QString& id : ids)
        found.push_back(findItem(id));
    return found;
}

std::vector<std::optional<LineRow>> Store::findLines(const std::vector<LineRow>& rows) {
    std::vector<std::optional<LineRow>> found;
    found.reserve(rows.size());
    for (const LineRow& row : rows)
        found.push_back(findLine(row.assembly, row.component));
    return found;
}

BatchRefusals SqlStore::refusalsOf(const LineBatch& batch) {
    return batchRefusals(*this, batch);
}

BatchRefusals batchRefusals(Store& db, const LineBatch& batch) {
    BatchModel model(db, batch);
    BatchRefusals refusals;
    refusals.removed.reserve(batch.removed.size());
    refusals.added.reserve(batch.added.size());
    // The removed lines as stored, read at once.
    const std::vector<std::optional<LineRow>> stored = db.findLines(batch.removed);
    for (size_t at = 0; at < batch.removed.size(); ++at)
        refusals.removed.push_back(model.remove(batch.removed[at], stored[at]));
    for (const LineRow& row : batch.added)
        refusals.added.push_back(model.add(row));
    return refusals;
}

void SqlStore::writeBatch(const LineBatch& batch) {
    const BatchRefusals refusals = refusalsOf(batch);
    for (const auto& refusal : refusals.removed)
        if (refusal)
            throw *refusal;
    for (const auto& refusal : refusals.added)
        if (refusal)
            throw *refusal;
    removeRows(batch.removed, QCoreApplication::translate("store", "Could not write the lines"));
    insertRows(batch.added, QCoreApplication::translate("store", "Could not add the lines"));
}

} // namespace store
