#include "tree/bill/Structure.h"

#include "store/ItemKey.h"
#include "store/runtime/StoreThread.h"
#include "tree/bill/LiveChanges.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <tuple>

namespace tree {

using store::foldKey;

namespace {

/// Below this many lines a bill is freed where it is left: handing it on costs more. A larger
/// one (a bill of a million lines takes the window's thread almost half a second to free, and
/// the next bill's top level waited for it) is freed as an errand of the store's threads; the
/// strings in it may be shared, and their counts are atomic.
constexpr size_t FreedInPlace = 20'000;

} // namespace

int Structure::intern(const QString& key) {
    const auto found = m_itemOf.constFind(key);
    if (found != m_itemOf.cend())
        return *found;
    const int item = int(m_items.size());
    m_items.emplace_back().key = key;
    m_itemOf.insert(key, item);
    return item;
}

int Structure::itemOf(const QString& id) const { return m_itemOf.value(foldKey(id), -1); }

Structure::Line Structure::lineFrom(int assembly, const store::ComponentLine& read) {
    Line line;
    line.assembly = assembly;
    line.text = read.id;
    line.quantity = read.quantity;
    line.unit = read.unit.value_or(QString());
    line.description = read.description.value_or(QString());
    line.known = read.inItemMaster;
    line.startDate = read.startDate;
    line.component = intern(foldKey(read.id));
    if (m_items[size_t(line.component)].text.isEmpty())
        m_items[size_t(line.component)].text = read.id;
    return line;
}

void Structure::addBill(int item, const store::ComponentLines& lines) {
    std::vector<int>& bill = m_items[size_t(item)].lines;
    bill.reserve(size_t(lines.size()));
    for (const store::ComponentLine& read : lines) {
        m_lines.push_back(lineFrom(item, read)); // m_items may grow: `bill` is not used after
        m_items[size_t(item)].lines.push_back(int(m_lines.size()) - 1);
    }
}

void Structure::readBills(int from, const QHash<QString, store::ComponentLines>& bills,
                          const QSet<QString>* only) {
    // Every item reachable from `from` that the structure has not read yet: its bill is in
    // `bills`, or it has none.
    std::vector<int> pending{from};
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        if (m_items[size_t(item)].read || (only && !only->contains(m_items[size_t(item)].key)))
            continue;
        m_items[size_t(item)].read = true;
        m_items[size_t(item)].marked = false;
        if (const auto found = bills.constFind(m_items[size_t(item)].key); found != bills.cend())
            addBill(item, *found);
        for (int id : m_items[size_t(item)].lines)
            pending.push_back(m_lines[size_t(id)].component);
    }
}

void Structure::reset(const QString& top, const QHash<QString, store::ComponentLines>& lines) {
    startAt(top, lines);
    readBills(Top, lines);
    m_acyclic = findAcyclic();
}

void Structure::reset(const QString& top, const QHash<QString, store::ComponentLines>& lines,
                      const QSet<QString>& read, const QSet<QString>& marked) {
    startAt(top, lines);
    readBills(Top, lines, &read);
    mark(marked);
    m_acyclic = findAcyclic();
}

void Structure::mark(const QSet<QString>& marked) {
    for (const QString& key : marked)
        if (const int item = m_itemOf.value(key, -1); item >= 0 && !m_items[size_t(item)].read)
            m_items[size_t(item)].marked = true;
}

void Structure::startAt(const QString& top, const QHash<QString, store::ComponentLines>& lines) {
    if (m_lines.size() >= FreedInPlace) {
        // Moved from, each is empty.
        auto left = std::make_shared<std::tuple<decltype(m_items), decltype(m_itemOf),
                                                decltype(m_lines), decltype(m_totals),
                                                decltype(m_walk)>>(
            std::move(m_items), std::move(m_itemOf), std::move(m_lines), std::move(m_totals),
            std::move(m_walk));
        store::runErrand([left = std::move(left)]() mutable { left.reset(); });
        m_items = {};
        m_itemOf = {};
        m_lines = {};
        m_walk = {};
    }
    changed();
    m_topText = top;
    m_items.clear();
    m_itemOf.clear();
    m_lines.clear();
    m_itemOf.reserve(lines.size() * 2 + 1);
    m_lines.reserve(size_t(lines.size()) * 4);
    intern(foldKey(top));
    m_items[Top].text = top;
}

bool Structure::readItems(const QHash<QString, store::ComponentLines>& lines,
                          const QSet<QString>& read, const QSet<QString>& marked) {
    bool any = false;
    for (const QString& key : read)
        if (const int item = m_itemOf.value(key, -1); item >= 0 && !m_items[size_t(item)].read) {
            readBills(item, lines, &read);
            any = true;
        }
    mark(marked);
    if (any) {
        changed();
        // A bill read now may close a cycle that the nodes about to be made must show.
        m_acyclic = findAcyclic();
    }
    return any;
}

bool Structure::readRest(const QHash<QString, store::ComponentLines>& lines) {
    const std::vector<int> unread = unreadItems();
    for (const int item : unread)
        readBills(item, lines);
    if (unread.empty())
        return false;
    changed();
    m_acyclic = findAcyclic();
    return true;
}

QStringList Structure::unreadReached() const {
    QStringList unread;
    for (const int item : unreadItems())
        unread.append(m_items[size_t(item)].text);
    return unread;
}

std::vector<int> Structure::unreadItems() const {
    std::vector<int> unread;
    std::vector<bool> seen(m_items.size(), false);
    std::vector<int> pending{Top};
    seen[Top] = true;
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        if (!m_items[size_t(item)].read) {
            unread.push_back(item);
            continue;
        }
        for (int id : m_items[size_t(item)].lines)
            if (const int below = m_lines[size_t(id)].component; !seen[size_t(below)]) {
                seen[size_t(below)] = true;
                pending.push_back(below);
            }
    }
    return unread;
}

int Structure::positionOf(int assembly, const QString& component) const {
    const QString key = foldKey(component);
    const int item = m_itemOf.value(key, -1);
    if (item < 0)
        return -1;
    const std::vector<int>& bill = m_items[size_t(assembly)].lines;
    for (size_t i = 0; i < bill.size(); ++i)
        if (m_lines[size_t(bill[i])].component == item)
            return int(i);
    return -1;
}

int Structure::insertLine(int assembly, int position, const store::ComponentLine& read,
                          const QHash<QString, store::ComponentLines>& bills) {
    changed();
    m_lines.push_back(lineFrom(assembly, read));
    const int component = m_lines.back().component;
    const int id = int(m_lines.size()) - 1;
    std::vector<int>& bill = m_items[size_t(assembly)].lines;
    bill.insert(bill.begin() + std::clamp(position, 0, int(bill.size())), id);
    readBills(component, bills);
    // The new line may close a cycle, and so may the bills it brings or makes reachable: the
    // walk that tells is over the lines reachable from the top, a few milliseconds on the
    // largest bills, and a wrong answer would open a cycle without end.
    if (m_acyclic)
        m_acyclic = findAcyclic();
    return id;
}

int Structure::eraseLine(int assembly, int position) {
    changed();
    std::vector<int>& bill = m_items[size_t(assembly)].lines;
    const int id = bill[size_t(position)];
    bill.erase(bill.begin() + position);
    if (!m_acyclic)
        m_acyclic = findAcyclic();
    return id;
}

void Structure::setQuantity(int lineId, std::optional<double> quantity) {
    changed();
    m_lines[size_t(lineId)].quantity = quantity;
}

void Structure::shownItems(std::vector<bool>& reached, std::vector<bool>& component) const {
    reached.assign(m_items.size(), false);
    component.assign(m_items.size(), false);
    std::vector<int> pending{Top};
    reached[Top] = true;
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        for (int id : m_items[size_t(item)].lines) {
            const int below = m_lines[size_t(id)].component;
            component[size_t(below)] = true;
            if (!reached[size_t(below)]) {
                reached[size_t(below)] = true;
                pending.push_back(below);
            }
        }
    }
}

Structure::Refresh Structure::applyFresh(const FreshLines& fresh) {
    const size_t before = m_items.size();
    Refresh refresh;
    refresh.billChanged.assign(before, false);
    refresh.hadLines.resize(before);
    std::vector<bool> billValues(before, false);
    for (size_t i = 0; i < before; ++i)
        refresh.hadLines[i] = !m_items[i].lines.empty();
    std::vector<bool> reachedBefore, componentBefore;
    shownItems(reachedBefore, componentBefore);

    // The facts of each item as now stored, from every line read and every row read: they go
    // into every line of the item, not only the lines read.
    struct Facts {
        QString unit;
        QString description;
        bool known = false;
    };
    QHash<int, Facts> facts;
    for (const store::ComponentLines& bill : fresh.bills)
        for (const store::ComponentLine& read : bill)
            if (const int item = m_itemOf.value(foldKey(read.id), -1); item >= 0)
                facts.insert(item, {read.unit.value_or(QString()),
                                    read.description.value_or(QString()), read.inItemMaster});
    for (auto it = fresh.items.cbegin(); it != fresh.items.cend(); ++it)
        if (const int item = m_itemOf.value(it.key(), -1); item >= 0)
            facts.insert(item, *it ? Facts{(*it)->unit.value_or(QString()),
                                           (*it)->description.value_or(QString()), true}
                                   : Facts{});

    // Each bill read again replaces the one held. A line whose component stays keeps its
    // number (its nodes stay); the others go, and new ones are numbered after every other.
    std::vector<int> added;
    const auto replace = [&](int item, const store::ComponentLines& now) {
        const std::vector<int> old = m_items[size_t(item)].lines;
        QHash<int, std::pair<int, int>> oldOf; // component -> (line, place in the old bill)
        oldOf.reserve(qsizetype(old.size()));
        for (size_t place = 0; place < old.size(); ++place)
            oldOf.insert(m_lines[size_t(old[place])].component, {old[place], int(place)});
        std::vector<int> lines;
        lines.reserve(size_t(now.size()));
        bool membership = false;
        int lastKept = -1;
        for (const store::ComponentLine& read : now) {
            const int component = m_itemOf.value(foldKey(read.id), -1);
            const auto kept = component < 0 ? oldOf.end() : oldOf.find(component);
            if (kept == oldOf.end()) {
                m_lines.push_back(lineFrom(item, read));
                lines.push_back(int(m_lines.size()) - 1);
                added.push_back(lines.back());
                membership = true;
                continue;
            }
            const auto [id, place] = *kept;
            oldOf.erase(kept);
            if (place < lastKept)
                membership = refresh.reordered = true;
            lastKept = place;
            Line& line = m_lines[size_t(id)];
            if (line.quantity != read.quantity || line.text != read.id ||
                line.startDate != read.startDate) {
                line.quantity = read.quantity;
                line.text = read.id;
                line.startDate = read.startDate;
                billValues[size_t(item)] = true;
                refresh.valuesChanged = true;
            }
            lines.push_back(id);
        }
        m_items[size_t(item)].lines = std::move(lines);
        if (membership || !oldOf.isEmpty())
            refresh.billChanged[size_t(item)] = true;
    };
    if (fresh.everything) {
        for (size_t i = 0; i < before; ++i)
            if (m_items[i].read)
                replace(int(i), fresh.bills.value(m_items[i].key));
    } else {
        for (const QString& key : fresh.billsRead)
            if (const int item = m_itemOf.value(key, -1); item >= 0 && m_items[size_t(item)].read)
                replace(item, fresh.bills.value(key));
    }
    for (int id : added)
        readBills(m_lines[size_t(id)].component, fresh.bills);
    // A re-read of everything holds the bills that a load still reading its lower levels
    // lacks: the structure is whole from here on, as the database stands now.
    if (fresh.everything)
        readRest(fresh.bills);

    std::vector<bool> factsChanged(m_items.size(), false);
    if (!facts.isEmpty())
        for (Line& line : m_lines) {
            const auto found = facts.constFind(line.component);
            if (found == facts.cend() ||
                (line.unit == found->unit && line.description == found->description &&
                 line.known == found->known))
                continue;
            line.unit = found->unit;
            line.description = found->description;
            line.known = found->known;
            factsChanged[size_t(line.component)] = true;
            refresh.valuesChanged = true;
        }

    std::vector<bool> reached, component;
    shownItems(reached, component);
    // A bill the loaded item no longer reaches was not read again, and may be out of date by
    // now: a line that reaches it later reads it anew.
    bool forgot = false;
    if (fresh.everything)
        for (size_t i = 0; i < m_items.size(); ++i)
            if (!reached[i] && m_items[i].read) {
                m_items[i].read = false;
                m_items[i].lines.clear();
                forgot = true;
            }
    // What was worked out over the structure stays while a re-read finds nothing new: a file
    // is re-read whole after every other program's commit.
    if (forgot || refresh.valuesChanged ||
        std::find(refresh.billChanged.cbegin(), refresh.billChanged.cend(), true) !=
            refresh.billChanged.cend()) {
        changed();
        m_acyclic = findAcyclic();
    }

    // Listed: what showed before and shows now, differently.
    for (size_t i = 0; i < before; ++i) {
        if (reached[i] && reachedBefore[i] && (refresh.billChanged[i] || billValues[i]))
            refresh.assemblies.append(m_items[i].text);
        if (component[i] && componentBefore[i] && factsChanged[i])
            refresh.items.append(m_items[i].text);
    }
    refresh.billChanged.resize(m_items.size(), false);
    refresh.hadLines.resize(m_items.size(), false);
    return refresh;
}

} // namespace tree
