#include "tree/bill/BomDocument.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/runtime/StoreThread.h"
#include "tree/Texts.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <climits>
#include <mutex>

namespace tree {

using store::foldKey;

namespace {

std::mutex restHookMutex;
BomDocument::RestLevelHook& restHook() {
    static BomDocument::RestLevelHook hook;
    return hook;
}

/// One level of a level-by-level read: each item's bill, read in one statement, and the
/// components met for the first time, which make the next level (`nextKeys` their folded IDs,
/// so that each ID is folded once on its way down). `read.read` receives the items read when
/// `markRead`: a load needs them, the rest's read does not.
QStringList readLevel(store::Store& db, const QStringList& level, const QStringList& keys,
                      LevelRead& read, QSet<QString>& seen, QStringList& nextKeys,
                      bool markRead = true) {
    const std::vector<store::ComponentLines> bills = db.componentsOfEach(level);
    QStringList next;
    nextKeys.clear();
    for (qsizetype i = 0; i < level.size(); ++i) {
        const QString& key = keys.at(i);
        if (markRead)
            read.read.insert(key);
        const store::ComponentLines& bill = bills[size_t(i)];
        if (bill.isEmpty())
            continue;
        read.lines.insert(key, bill);
        for (const store::ComponentLine& line : bill)
            if (QString component = foldKey(line.id); !seen.contains(component)) {
                seen.insert(component);
                next.append(line.id);
                nextKeys.append(std::move(component));
            }
    }
    return next;
}

/// `items` each once under the store's case rule, in their order; `seen` and `keys` receive
/// their folded IDs.
QStringList eachOnce(const QStringList& items, QSet<QString>& seen, QStringList& keys) {
    QStringList once;
    for (const QString& item : items)
        if (QString key = foldKey(item); !seen.contains(key)) {
            seen.insert(key);
            once.append(item);
            keys.append(std::move(key));
        }
    return once;
}

/// Every bill reachable from `items`, level by level, the hook told after each level; a
/// cancel (a new load, the bill left) is seen between levels.
QHash<QString, store::ComponentLines> readBelow(store::StoreCall& call, const QStringList& items) {
    store::Store& db = call.db();
    LevelRead read;
    QSet<QString> seen;
    QStringList keys, nextKeys;
    QStringList level = eachOnce(items, seen, keys);
    for (int depth = 1; !level.isEmpty(); ++depth) {
        level = readLevel(db, level, keys, read, seen, nextKeys, false);
        std::swap(keys, nextKeys);
        {
            BomDocument::RestLevelHook hook;
            {
                const std::lock_guard lock(restHookMutex);
                hook = restHook();
            }
            if (hook)
                hook(depth, call);
        }
        if (call.cancelled())
            throw store::operationCancelled();
    }
    return std::move(read.lines);
}

} // namespace

BomDocument::BomDocument(std::function<void(const QString&)> showStatus,
                         std::function<QString()> restingStatus, QObject* parent)
    : QObject(parent), m_history(std::move(showStatus), std::move(restingStatus)) {}

BomDocument::~BomDocument() = default;

void BomDocument::setRestLevelHook(RestLevelHook hook) {
    const std::lock_guard lock(restHookMutex);
    restHook() = std::move(hook);
}

void BomDocument::load(const QString& assembly,
                       const QHash<QString, store::ComponentLines>& lines) {
    // What a read still running brings belongs to the bill left.
    m_restTrip.reset();
    m_restFailure.reset();
    ++m_generation;
    Q_EMIT aboutToLoad();
    m_structure.reset(assembly, lines);
    m_whole = true;
    Q_EMIT loaded();
}

void BomDocument::loadLevels(const QString& assembly, const LevelRead& levels) {
    m_restTrip.reset();
    m_restFailure.reset();
    ++m_generation;
    Q_EMIT aboutToLoad();
    m_structure.reset(assembly, levels.lines, levels.read, levels.marked);
    m_whole = m_structure.unreadReached().isEmpty();
    Q_EMIT loaded();
}

LevelRead BomDocument::readLevels(store::Store& db, const QStringList& items, int levels) {
    LevelRead read;
    QSet<QString> seen;
    QStringList keys, nextKeys;
    QStringList level = eachOnce(items, seen, keys);
    for (int depth = 0; depth < levels && !level.isEmpty(); ++depth) {
        level = readLevel(db, level, keys, read, seen, nextKeys);
        std::swap(keys, nextKeys);
    }
    // The items met below: whether each opens, not what it holds. One without lines is read
    // whole already.
    if (!level.isEmpty()) {
        const std::vector<bool> have = db.haveLines(level);
        for (qsizetype i = 0; i < level.size(); ++i)
            (have[size_t(i)] ? read.marked : read.read).insert(keys.at(i));
    }
    return read;
}

void BomDocument::readRest(const QString& location) {
    m_restLocation = location;
    restartRest();
}

void BomDocument::readRestAgain() {
    if (!m_whole && !m_restLocation.isEmpty())
        restartRest();
}

void BomDocument::restartRest() {
    m_restTrip.reset();
    m_restFailure.reset();
    const quint64 generation = ++m_generation;
    const QStringList unread = m_structure.unreadReached();
    if (unread.isEmpty()) {
        becameWhole();
        return;
    }
    m_whole = false;
    // The read fills what is its own; the window's thread takes it only once it has ended.
    auto lines = std::make_shared<QHash<QString, store::ComponentLines>>();
    m_restTrip = std::make_unique<store::BackgroundTrip>(
        m_restLocation,
        [lines, unread](store::StoreCall& call) { *lines = readBelow(call, unread); }, this,
        [this, lines, generation, writes = m_outsideWrites](std::exception_ptr failure) {
            takeRest(generation, writes, failure, *lines);
        });
}

void BomDocument::takeRest(quint64 generation, quint64 outsideWrites, std::exception_ptr failure,
                           const QHash<QString, store::ComponentLines>& lines) {
    // Read for another load, or before a change of the database that it may not have seen.
    if (generation != m_generation)
        return;
    m_restTrip.reset();
    // A write into a bill it reads began meanwhile and may commit after the read saw that
    // bill: taken, the bill would stay as it was before the write, and the write's showing
    // would find the structure whole and read nothing. Read again once no such write runs.
    if (!failure && (outsideWrites != m_outsideWrites || m_outsideRunning > 0)) {
        if (m_outsideRunning > 0)
            m_restAfterWrite = true;
        else
            restartRest();
        return;
    }
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const store::StoreError& error) {
            m_restFailure = error;
        }
        return;
    }
    // The items read or changed by the window meanwhile keep what it holds.
    m_structure.readRest(lines);
    if (!m_structure.unreadReached().isEmpty()) {
        // Reached meanwhile through a bill the window read after the read had started.
        restartRest();
        return;
    }
    becameWhole();
}

BomDocument::OutsideWrite::OutsideWrite(BomDocument& document) : m_document(document) {
    ++m_document.m_outsideWrites;
    ++m_document.m_outsideRunning;
}

BomDocument::OutsideWrite::~OutsideWrite() {
    if (--m_document.m_outsideRunning > 0 || !m_document.m_restAfterWrite)
        return;
    m_document.m_restAfterWrite = false;
    m_document.restartRest();
}

void BomDocument::becameWhole() {
    if (m_whole)
        return;
    m_whole = true;
    Q_EMIT wholeRead();
}

bool BomDocument::ensureWhole(desktop::Desktop& desktop) {
    if (m_whole)
        return true;
    // A read that failed is tried again: the user asks for something that needs it.
    if (!m_restTrip)
        restartRest();
    bool cancelled = false;
    desktop.waitFor(
        [&] { return m_whole || m_restFailure || cancelled; }, [&] { cancelled = true; },
        QCoreApplication::translate("tree", "Reading the whole bill of material of %1\u2026")
            .arg(topAssembly()));
    if (m_restFailure && !m_whole) {
        desktop.messageBox(m_restFailure->message(), desktop::OkOnly);
        return false;
    }
    return m_whole;
}

bool BomDocument::readComponentsOf(int item) {
    // The item's own bill when only its mark is held; and, as ever, the bills of components
    // whose marks are not known.
    QStringList unread;
    QSet<QString> keys;
    const auto ask = [&](const QString& id) {
        if (const QString key = foldKey(id); !keys.contains(key)) {
            keys.insert(key);
            unread.append(id);
        }
    };
    if (!m_structure.isRead(item))
        ask(m_structure.textOf(item));
    else
        for (int id : m_structure.linesOf(item)) {
            const Structure::Line& line = m_structure.line(id);
            if (!m_structure.isRead(line.component) && !m_structure.hasLines(line.component))
                ask(line.text);
        }
    if (unread.isEmpty())
        return true;
    if (!m_billReader)
        return false;
    const std::optional<LevelRead> read = m_billReader(unread);
    if (!read)
        return false;
    // What the rest's read or a re-read brought meanwhile stays as it is.
    m_structure.readItems(read->lines, read->read, read->marked);
    if (m_structure.unreadReached().isEmpty())
        becameWhole();
    return true;
}

BomDocument::ChangeScope::ChangeScope(BomDocument& document) : m_document(document) {
    ++m_document.m_scopes;
}

BomDocument::ChangeScope::~ChangeScope() {
    if (--m_document.m_scopes > 0 || !m_document.m_linesChanged)
        return;
    m_document.m_linesChanged = false;
    Q_EMIT m_document.countsChanged();
}

void BomDocument::linesChanged() {
    // The status is written once for an edit of many lines, not once a line.
    if (m_scopes > 0)
        m_linesChanged = true;
    else
        Q_EMIT countsChanged();
}

void BomDocument::wroteOutside() {
    if (!m_whole && !m_restLocation.isEmpty())
        restartRest();
}

bool BomDocument::holdsBill(const QString& id) const {
    const int item = m_structure.itemOf(id);
    return item >= 0 && m_structure.isRead(item);
}

bool BomDocument::hasLine(const QString& assembly, const QString& component) const {
    const int item = m_structure.itemOf(assembly);
    return item >= 0 && m_structure.positionOf(item, component) >= 0;
}

QStringList BomDocument::componentsOf(const QString& assembly) const {
    QStringList components;
    const int item = m_structure.itemOf(assembly);
    if (item >= 0)
        for (int line : m_structure.linesOf(item))
            components.append(m_structure.line(line).text);
    return components;
}

void BomDocument::addLine(const QString& assembly, int position, const store::ComponentLine& line,
                          const QHash<QString, store::ComponentLines>& bills) {
    const int item = m_structure.itemOf(assembly);
    if (item < 0 || !m_structure.isRead(item) || hasLine(assembly, line.id))
        return;
    const bool hadLines = m_structure.hasLines(item);
    position = std::clamp(position, 0, int(m_structure.linesOf(item).size()));
    const int linesBefore = m_structure.lineCount();
    const int lineId = m_structure.insertLine(item, position, line, bills);
    m_counts.lineInserted(m_structure, lineId, linesBefore);
    Q_EMIT lineInserted(item, position, lineId, hadLines);
    linesChanged();
}

void BomDocument::removeLine(const QString& assembly, const QString& component) {
    const int item = m_structure.itemOf(assembly);
    const int position = item < 0 ? -1 : m_structure.positionOf(item, component);
    if (position < 0) {
        if (item < 0 || !m_structure.isRead(item))
            wroteOutside();
        return;
    }
    const int lineId = m_structure.eraseLine(item, position);
    m_counts.lineErased(m_structure, lineId);
    Q_EMIT lineErased(lineId);
    linesChanged();
}

void BomDocument::setLineQuantity(const QString& assembly, const QString& component,
                                  std::optional<double> quantity) {
    const int item = m_structure.itemOf(assembly);
    const int position = item < 0 ? -1 : m_structure.positionOf(item, component);
    if (position < 0) {
        if (item < 0 || !m_structure.isRead(item))
            wroteOutside();
        return;
    }
    const int lineId = m_structure.linesOf(item)[size_t(position)];
    m_structure.setQuantity(lineId, quantity);
    m_counts.unchanged(m_structure);
    Q_EMIT quantityChanged(lineId, assembly, component);
}

void BomDocument::showQuantity(const store::LineRow& row) {
    const std::optional<double> quantity =
        isNumber(row.quantity) ? std::optional<double>(row.quantity.toDouble()) : std::nullopt;
    // A line that shows this quantity already changes nothing: of a refused step's many lines
    // read back, most are as shown, and each change has every view paint again.
    const int item = m_structure.itemOf(row.assembly);
    const int position = item < 0 ? -1 : m_structure.positionOf(item, row.component);
    if (position >= 0 &&
        m_structure.line(m_structure.linesOf(item)[size_t(position)]).quantity == quantity)
        return;
    setLineQuantity(row.assembly, row.component, quantity);
}

Structure::Refresh BomDocument::showFresh(const FreshLines& fresh) {
    const Structure::Refresh refresh = m_structure.applyFresh(fresh);
    Q_EMIT refreshed(refresh);
    // Only a bill the tree shows can change its counts: a re-read that found them as shown
    // (the editor's own commit seen again) leaves the counts, and what the status says after
    // them, as they are.
    if (!refresh.assemblies.isEmpty())
        linesChanged();
    // A re-read of everything brings the whole bill as the database holds it now: the rest's
    // read, begun before, is dropped.
    if (!m_whole && m_structure.unreadReached().isEmpty()) {
        m_restTrip.reset();
        ++m_generation;
        becameWhole();
    }
    return refresh;
}

LinesToShow BomDocument::planShowing(const std::vector<store::LineRow>& rows) const {
    LinesToShow plan;
    for (const store::LineRow& row : rows) {
        if (!holdsBill(row.assembly))
            plan.outside = true;
        if (!holdsBill(row.assembly) || hasLine(row.assembly, row.component))
            continue;
        plan.rows.push_back(row);
        if (holdsBill(row.component))
            plan.componentsHeld.insert(foldKey(row.component));
    }
    return plan;
}

ShowingRead BomDocument::readShowing(store::Store& db, const LinesToShow& plan) {
    ShowingRead read;
    read.rows = plan.rows;
    read.outside = plan.outside;
    QSet<QString> assemblyKeys;
    QStringList fresh;
    QSet<QString> freshKeys;
    for (const store::LineRow& row : plan.rows) {
        if (const QString key = foldKey(row.assembly); !assemblyKeys.contains(key)) {
            assemblyKeys.insert(key);
            read.assemblies.append(row.assembly);
        }
        const QString component = foldKey(row.component);
        if (!plan.componentsHeld.contains(component) && !freshKeys.contains(component)) {
            freshKeys.insert(component);
            fresh.append(row.component);
        }
    }
    if (read.assemblies.isEmpty())
        return read;
    read.orders = db.componentsOfEach(read.assemblies);
    if (!fresh.isEmpty())
        read.below = db.reachableLinesOfEach(fresh);
    return read;
}

void BomDocument::showSaved(const ShowingRead& read) {
    const ChangeScope scope(*this);
    if (read.outside)
        wroteOutside();
    QHash<QString, std::vector<QString>> added; // by folded assembly
    for (const store::LineRow& row : read.rows)
        if (holdsBill(row.assembly) && !hasLine(row.assembly, row.component))
            added[foldKey(row.assembly)].push_back(row.component);
    for (qsizetype a = 0; a < read.assemblies.size(); ++a) {
        const QString& assembly = read.assemblies.at(a);
        const store::ComponentLines& order = read.orders[size_t(a)];
        // Siblings stand in the order the database lists them, as a load would show them.
        QHash<QString, int> position;
        for (int i = 0; i < order.size(); ++i)
            position.insert(foldKey(order.at(i).id), i);
        // The stored places of the lines shown now, in the order shown; each new line goes
        // after those that come before it in the database's order.
        std::vector<int> shown;
        for (const QString& component : componentsOf(assembly))
            shown.push_back(position.value(foldKey(component), INT_MAX));
        std::vector<int> places;
        for (const QString& component : added.value(foldKey(assembly))) {
            const auto stored = position.constFind(foldKey(component));
            if (stored != position.cend()) // gone again already: nothing to show
                places.push_back(*stored);
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        for (const int place : places) {
            int row = 0;
            for (int r = 0; r < int(shown.size()); ++r)
                if (shown[size_t(r)] < place)
                    row = r + 1;
            addLine(assembly, row, order.at(place), read.below);
            shown.insert(shown.begin() + row, place);
        }
    }
}

StoredLines BomDocument::readStored(store::Store& db, const std::vector<store::LineRow>& lines,
                                    const LinesToShow& plan) {
    StoredLines read;
    read.lines = lines;
    // Read back in one call, however many lines a step has: one call a line kept the window
    // waiting for half a minute after a refused step of 10,000.
    read.stored = db.findLines(lines);
    QSet<QString> present;
    for (size_t at = 0; at < lines.size(); ++at)
        if (read.stored[at])
            present.insert(foldKey(lines[at].assembly) + QChar(0) + foldKey(lines[at].component));
    // Only the lines the database holds come in.
    LinesToShow putIn;
    putIn.componentsHeld = plan.componentsHeld;
    putIn.outside = plan.outside;
    for (const store::LineRow& row : plan.rows)
        if (present.contains(foldKey(row.assembly) + QChar(0) + foldKey(row.component)))
            putIn.rows.push_back(row);
    read.showing = readShowing(db, putIn);
    return read;
}

void BomDocument::showStored(const StoredLines& read) {
    const ChangeScope scope(*this);
    for (size_t at = 0; at < read.lines.size(); ++at) {
        const store::LineRow& line = read.lines[at];
        if (!read.stored[at])
            removeLine(line.assembly, line.component);
        else if (hasLine(line.assembly, line.component))
            showQuantity(*read.stored[at]);
    }
    // Lines put in by the other program show as a load would show them.
    showSaved(read.showing);
}

std::optional<ChangePlan> BomDocument::planChanges(const store::Changes& changes) const {
    if (topAssembly().isEmpty())
        return std::nullopt;
    // Planned on this thread, over the structure as it stands; the read itself touches only
    // the store, so it may run on any thread.
    ChangePlan plan{m_structure.revision(), planChangeRead(m_structure, changes)};
    if (plan.read.empty())
        return std::nullopt;
    return plan;
}

bool BomDocument::showChanges(const ChangePlan& plan, const FreshLines& fresh,
                              ShownChanges& shown) {
    shown = {};
    if (m_structure.revision() != plan.revision)
        return false;
    const Structure::Refresh refresh = showFresh(fresh);
    shown.assemblies = refresh.assemblies;
    shown.items = refresh.items;
    if (fresh.top) {
        const QString description =
            *fresh.top ? (*fresh.top)->description.value_or(noDescription()) : notInItemMaster();
        if (description != m_topDescription)
            shown.topDescription = m_topDescription = description;
    }
    return true;
}

} // namespace tree
