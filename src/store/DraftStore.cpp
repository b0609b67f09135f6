// The tables with a draft applied: the live store's reads with the draft's lines put over them,
// and writes that go into the draft after the checks every store runs.

#include "store/DraftStore.h"

#include "store/ItemKey.h"
#include "store/LineRules.h"
#include "store/WhereUsedWalk.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace store {

namespace {

std::optional<double> numberOf(const QVariant& quantity) {
    if (quantity.isNull())
        return std::nullopt;
    bool ok = false;
    const double value = quantity.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

void sortByComponent(ComponentLines& lines) {
    std::sort(lines.begin(), lines.end(), [](const ComponentLine& a, const ComponentLine& b) {
        return orderKey(a.id) < orderKey(b.id);
    });
}

} // namespace

DraftStore::DraftStore(std::unique_ptr<Store> live, std::unique_ptr<Drafts> drafts,
                       const DraftInfo& draft)
    : m_live(std::move(live)), m_drafts(std::move(drafts)), m_draft(draft) {
    if (m_draft.state != DraftState::Open)
        throw StoreError(DraftNotOpen, QCoreApplication::translate("store", "The draft '%1' is %2: it is kept as it "
                                                             "is and takes no more changes.")
                                           .arg(m_draft.name, draftStateText(m_draft.state, true)));
    for (DraftLine& line : m_drafts->lines(m_draft.id)) {
        const Key key = keyOf(line.assembly(), line.component());
        m_byAssembly[key.first].append(key);
        m_byComponent[key.second].append(key);
        m_lines.insert(key, std::move(line));
    }
}

DraftStore::Key DraftStore::keyOf(const QString& assembly, const QString& component) {
    return {foldKey(assembly), foldKey(component)};
}

void DraftStore::overlay(const QString& assemblyKey, ComponentLines& lines) {
    const auto keys = m_byAssembly.constFind(assemblyKey);
    if (keys == m_byAssembly.cend() || keys->isEmpty())
        return;
    QSet<QString> drafted;
    QStringList added;
    std::vector<const LineRow*> rows;
    for (const Key& key : *keys) {
        drafted.insert(key.second);
        if (const DraftLine& line = m_lines[key]; line.draft) {
            added.append(line.draft->component);
            rows.push_back(&*line.draft);
        }
    }
    lines.removeIf([&](const ComponentLine& line) { return drafted.contains(foldKey(line.id)); });
    const std::vector<std::optional<Item>> items = itemsOf(added);
    for (size_t at = 0; at < rows.size(); ++at) {
        ComponentLine line;
        line.id = rows[at]->component;
        line.quantity = numberOf(rows[at]->quantity);
        line.startDate = rows[at]->startDate.toString();
        const std::optional<Item>& item = items[at];
        line.inItemMaster = item.has_value();
        if (item) {
            line.description = item->description;
            line.unit = item->unit;
        }
        lines.append(line);
    }
    sortByComponent(lines);
}

std::vector<std::optional<Item>> DraftStore::itemsOf(const QStringList& ids) {
    if (!m_itemsRead) {
        // Every component the draft adds, read once: a load overlays many assemblies.
        m_itemsRead = true;
        QStringList all;
        for (const DraftLine& line : std::as_const(m_lines))
            if (line.draft)
                all.append(line.draft->component);
        const std::vector<std::optional<Item>> read = m_live->findItems(all);
        for (qsizetype at = 0; at < all.size(); ++at)
            m_items.insert(foldKey(all.at(at)), read[size_t(at)]);
    }
    QStringList missing;
    for (const QString& id : ids)
        if (!m_items.contains(foldKey(id)))
            missing.append(id);
    const std::vector<std::optional<Item>> read = m_live->findItems(missing);
    for (qsizetype at = 0; at < missing.size(); ++at)
        m_items.insert(foldKey(missing.at(at)), read[size_t(at)]);
    std::vector<std::optional<Item>> items;
    items.reserve(size_t(ids.size()));
    for (const QString& id : ids)
        items.push_back(m_items.value(foldKey(id)));
    return items;
}

std::vector<ComponentLines> DraftStore::componentsOfEach(const QStringList& assemblies) {
    std::vector<ComponentLines> read = m_live->componentsOfEach(assemblies);
    for (qsizetype at = 0; at < assemblies.size(); ++at)
        overlay(foldKey(assemblies.at(at)), read[size_t(at)]);
    return read;
}

QHash<QString, ComponentLines> DraftStore::allComponentLines() {
    QHash<QString, ComponentLines> all = m_live->allComponentLines();
    for (auto assembly = m_byAssembly.cbegin(); assembly != m_byAssembly.cend(); ++assembly) {
        ComponentLines& lines = all[assembly.key()];
        overlay(assembly.key(), lines);
        if (lines.isEmpty())
            all.remove(assembly.key());
    }
    return all;
}

QHash<QString, ComponentLines> DraftStore::reachableLines(const QString& item) {
    // The live store's walk in one go (one statement on a server), then the walk again over
    // the draft's lines: what the draft adds below may reach assemblies the tables do not,
    // whose lines are read then, level by level.
    QHash<QString, ComponentLines> live = m_live->reachableLines(item);
    QSet<QString> covered{foldKey(item)};
    for (const ComponentLines& lines : std::as_const(live))
        for (const ComponentLine& line : lines)
            covered.insert(foldKey(line.id));
    QHash<QString, ComponentLines> reached;
    QSet<QString> seen{foldKey(item)};
    QStringList level{item};
    while (!level.isEmpty()) {
        QStringList missing;
        for (const QString& id : std::as_const(level))
            if (!covered.contains(foldKey(id)))
                missing.append(id);
        if (!missing.isEmpty()) {
            const QHash<QString, ComponentLines> more = m_live->reachableLinesOfEach(missing);
            for (const QString& id : std::as_const(missing))
                covered.insert(foldKey(id));
            for (auto bill = more.cbegin(); bill != more.cend(); ++bill) {
                live.insert(bill.key(), *bill);
                for (const ComponentLine& line : *bill)
                    covered.insert(foldKey(line.id));
            }
        }
        QStringList next;
        for (const QString& id : std::as_const(level)) {
            const QString key = foldKey(id);
            ComponentLines lines = live.value(key);
            overlay(key, lines);
            for (const ComponentLine& line : std::as_const(lines))
                if (const QString component = foldKey(line.id); !seen.contains(component)) {
                    seen.insert(component);
                    next.append(line.id);
                }
            if (!lines.isEmpty())
                reached.insert(key, lines);
        }
        level = std::move(next);
    }
    return reached;
}

std::optional<LineRow> DraftStore::findLine(const QString& assembly, const QString& component) {
    if (const auto line = m_lines.constFind(keyOf(assembly, component)); line != m_lines.cend())
        return line->draft;
    return m_live->findLine(assembly, component);
}

std::vector<std::optional<LineRow>> DraftStore::findLines(const std::vector<LineRow>& rows) {
    std::vector<std::optional<LineRow>> found;
    found.reserve(rows.size());
    for (DraftLine& line : entries(rows))
        found.push_back(std::move(line.draft));
    return found;
}

std::optional<std::optional<double>> DraftStore::findQuantity(const QString& assembly,
                                                              const QString& component) {
    const std::optional<LineRow> row = findLine(assembly, component);
    if (!row)
        return std::nullopt;
    if (row->quantity.isNull())
        return std::optional<double>();
    bool ok = false;
    const double value = row->quantity.toDouble(&ok);
    if (!ok)
        throw StoreError(QueryFailed,
                         QCoreApplication::translate("store", "The quantity of '%1' in '%2' is not a number: '%3'.")
                             .arg(component, assembly, row->quantity.toString()));
    return std::optional<double>(value);
}

bool DraftStore::structureContains(const QString& item, const QString& target) {
    const QString targetKey = foldKey(target);
    if (foldKey(item) == targetKey)
        return true;
    const QHash<QString, ComponentLines> below = reachableLines(item);
    for (const ComponentLines& lines : below)
        for (const ComponentLine& line : lines)
            if (foldKey(line.id) == targetKey)
                return true;
    return false;
}

std::vector<WhereUsedRow> DraftStore::whereUsed(const QString& item, const ReadProgress&) {
    UpwardWalk walk;
    const QHash<QString, ComponentLines> all = allComponentLines();
    for (auto bill = all.cbegin(); bill != all.cend(); ++bill) {
        const QByteArray assembly = bill.key().toUtf8();
        for (const ComponentLine& line : *bill)
            walk.addLine(assembly, line.id.toUtf8(),
                         line.quantity ? UpwardWalk::Quantity::Number : UpwardWalk::Quantity::Null,
                         line.quantity.value_or(0));
    }
    std::vector<WhereUsedRow> found = walk.walk(item);
    QStringList ids;
    for (size_t at = 0; at < found.size(); ++at)
        ids.append(QString::fromUtf8(walk.spelling(at)));
    const std::vector<std::optional<Item>> items = m_live->findItems(ids);
    for (size_t at = 0; at < found.size(); ++at) {
        WhereUsedRow& row = found[at];
        const std::optional<Item>& known = items[at];
        row.inItemMaster = known.has_value();
        row.assembly = known ? known->id : ids.at(qsizetype(at));
        if (known) {
            row.description = known->description;
            row.unit = known->unit;
        }
    }
    return found;
}

bool DraftStore::hasLines(const QString& assembly) {
    return !componentsOfEach({assembly}).front().isEmpty();
}

std::vector<LineRow> DraftStore::lineRowsOf(const QString& assembly) {
    std::vector<LineRow> rows = m_live->lineRowsOf(assembly);
    const QString assemblyKey = foldKey(assembly);
    std::erase_if(rows, [&](const LineRow& row) {
        return m_lines.contains(keyOf(row.assembly, row.component));
    });
    for (const Key& key : m_byAssembly.value(assemblyKey))
        if (const DraftLine& line = m_lines[key]; line.draft)
            rows.push_back(*line.draft);
    std::sort(rows.begin(), rows.end(), [](const LineRow& a, const LineRow& b) {
        return orderKey(a.component) < orderKey(b.component);
    });
    return rows;
}

std::vector<LineRow> DraftStore::lineRowsUsing(const QString& component) {
    std::vector<LineRow> rows = m_live->lineRowsUsing(component);
    std::erase_if(rows, [&](const LineRow& row) {
        return m_lines.contains(keyOf(row.assembly, row.component));
    });
    for (const Key& key : m_byComponent.value(foldKey(component)))
        if (const DraftLine& line = m_lines[key]; line.draft)
            rows.push_back(*line.draft);
    std::sort(rows.begin(), rows.end(), [](const LineRow& a, const LineRow& b) {
        return orderKey(a.assembly) < orderKey(b.assembly);
    });
    return rows;
}

DraftLine DraftStore::entry(const QString& assembly, const QString& component) {
    if (const auto line = m_lines.constFind(keyOf(assembly, component)); line != m_lines.cend())
        return *line;
    // Not in the draft yet: the tables' row of this moment is its base.
    const std::optional<LineRow> live = m_live->findLine(assembly, component);
    return {live, live};
}

std::vector<DraftLine> DraftStore::entries(const std::vector<LineRow>& rows) {
    std::vector<LineRow> undrafted;
    for (const LineRow& row : rows)
        if (!m_lines.contains(keyOf(row.assembly, row.component)))
            undrafted.push_back(row);
    const std::vector<std::optional<LineRow>> live = m_live->findLines(undrafted);
    std::vector<DraftLine> found;
    found.reserve(rows.size());
    size_t next = 0;
    for (const LineRow& row : rows) {
        if (const auto line = m_lines.constFind(keyOf(row.assembly, row.component));
            line != m_lines.cend()) {
            found.push_back(*line);
        } else {
            found.push_back({live[next], live[next]});
            ++next;
        }
    }
    return found;
}

void DraftStore::put(const std::vector<DraftLine>& lines) {
    m_drafts->putLines(m_draft.id, lines);
    for (const DraftLine& line : lines) {
        const Key key = keyOf(line.assembly(), line.component());
        if (!m_lines.contains(key)) {
            m_byAssembly[key.first].append(key);
            m_byComponent[key.second].append(key);
        }
        m_lines.insert(key, line);
        if (sameRow(line.base, line.draft)) {
            m_lines.remove(key);
            m_byAssembly[key.first].removeOne(key);
            m_byComponent[key.second].removeOne(key);
        }
    }
}

void DraftStore::addLine(const QString& assembly, const QString& component, double quantity,
                         const QDateTime& startDate) {
    if (!std::isfinite(quantity))
        throw errors::notFinite(assembly, component, quantity);
    checkNewLine(assembly, component);
    DraftLine line = entry(assembly, component);
    line.draft = LineRow{assembly, component, QVariant(quantity),
                         startDate.toString(schema::StartDateFormat)};
    put({line});
}

std::optional<LineRow> DraftStore::takeLine(const QString& assembly, const QString& component) {
    DraftLine line = entry(assembly, component);
    std::optional<LineRow> taken = line.draft;
    if (!taken)
        return std::nullopt;
    line.draft.reset();
    put({line});
    return taken;
}

void DraftStore::restoreLine(const LineRow& row) {
    DraftLine line = entry(row.assembly, row.component);
    if (line.draft)
        throw errors::lineChanged(row.assembly, row.component);
    refuseCircular(*this, row.assembly, row.component);
    line.draft = row;
    put({line});
}

void DraftStore::removeUnchangedLine(const LineRow& row) {
    DraftLine line = entry(row.assembly, row.component);
    if (!sameRow(line.draft, row))
        throw errors::lineChanged(row.assembly, row.component);
    line.draft.reset();
    put({line});
}

LineRow DraftStore::updateQuantity(const QString& assembly, const QString& component,
                                   const QVariant& expected, const QVariant* startDate,
                                   const QVariant& quantity) {
    DraftLine line = entry(assembly, component);
    if (!line.draft || !sameRow(LineRow{assembly, component, expected,
                                        startDate ? *startDate : line.draft->startDate},
                                line.draft))
        throw errors::lineChanged(assembly, component);
    line.draft->quantity = quantity;
    put({line});
    return *line.draft;
}

BatchRefusals DraftStore::checkLines(const LineBatch& batch) {
    return batchRefusals(*this, batch);
}

void DraftStore::writeLines(const LineBatch& batch) {
    const BatchRefusals refusals = batchRefusals(*this, batch);
    for (const auto& refusal : refusals.removed)
        if (refusal)
            throw *refusal;
    for (const auto& refusal : refusals.added)
        if (refusal)
            throw *refusal;
    // A line removed and added again (a quantity replaced) is one line of the draft; the
    // tables' rows of the lines not in the draft yet are read at once.
    std::vector<LineRow> keys;
    QHash<Key, size_t> at;
    for (const std::vector<LineRow>* part : {&batch.removed, &batch.added})
        for (const LineRow& row : *part)
            if (const Key key = keyOf(row.assembly, row.component); !at.contains(key)) {
                at.insert(key, keys.size());
                keys.push_back(row);
            }
    std::vector<DraftLine> lines = entries(keys);
    for (const LineRow& row : batch.removed)
        lines[at.value(keyOf(row.assembly, row.component))].draft.reset();
    for (const LineRow& row : batch.added)
        lines[at.value(keyOf(row.assembly, row.component))].draft = row;
    put(lines);
}

} // namespace store
