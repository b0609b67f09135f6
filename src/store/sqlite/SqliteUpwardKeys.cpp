#include "store/sqlite/SqliteUpwardKeys.h"

#include "store/NoCaseKeys.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QCoreApplication>

#include <sqlite3.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdint>
#include <new>
#include <limits>
#include <optional>

namespace store {

using namespace sql;

namespace {

/// What a failed read of the lines says first, in the user's language (made when it is
/// needed: a global would be translated before any catalogue is loaded).
QString readWhat() {
    return QCoreApplication::translate("store", "Could not read BomDetail");
}

/// Lines read between two reports of progress.
constexpr qint64 ProgressStep = 16384;

/// BomDetail's unique index on exactly (BomID, BomComp), ascending, under NOCASE, whole: the
/// primary key of every file the manufacturing application writes. Its order is the store's
/// case rule, so each assembly's lines come together, and a pair of keys finds one line.
constexpr QLatin1StringView SelectKeyIndex{
    "SELECT l.name FROM pragma_index_list('BomDetail') AS l"
    " WHERE l.\"unique\" AND NOT l.partial"
    " AND (SELECT count(*) FROM pragma_index_xinfo(l.name) AS x WHERE x.key) = 2"
    " AND EXISTS (SELECT 1 FROM pragma_index_xinfo(l.name) AS x WHERE x.key AND x.seqno = 0"
    "  AND x.name = 'BomID' COLLATE NOCASE AND x.coll = 'NOCASE' COLLATE NOCASE AND NOT x.desc)"
    " AND EXISTS (SELECT 1 FROM pragma_index_xinfo(l.name) AS x WHERE x.key AND x.seqno = 1"
    "  AND x.name = 'BomComp' COLLATE NOCASE AND x.coll = 'NOCASE' COLLATE NOCASE AND NOT x.desc)"
    " LIMIT 1"};

/// One assembly's lines, through the same index, in its order.
constexpr QLatin1StringView SelectQuantitiesOfAssembly{
    "SELECT BomComp, bomQtyReq FROM BomDetail WHERE BomID = ?1 COLLATE NOCASE"
    " ORDER BY BomComp COLLATE NOCASE"};

/// A key column's bytes as stored. In a UTF-8 file a text's bytes are its UTF-8, and asked
/// for as bytes they are not copied to add the terminating zero that text needs. The value is
/// taken once and read by the value interface: one call into the connection for the column,
/// not one for its bytes and another for their length (the statement's thread alone uses it).
QByteArrayView column(sqlite3_stmt* statement, int at) {
    sqlite3_value* const value = sqlite3_column_value(statement, at);
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(value));
    return QByteArrayView(bytes, sqlite3_value_bytes(value));
}

/// Lines read from the index, placed together: the hashes of a whole batch are made first, so
/// that the lookups can ask for their slots some lines ahead.
struct Batch {
    static constexpr size_t Lines = 16384;
    std::vector<char> bytes;     ///< the components' bytes, one after the other
    std::vector<quint32> ends;   ///< where each line's component ends in `bytes`
    std::vector<qint32> assemblies;
    std::vector<quint32> hashes;

    void clear() {
        bytes.clear();
        ends.clear();
        assemblies.clear();
    }
};

/// Arrays from this size on are mapped on their own, in large pages where the system has them.
constexpr size_t LargePage = size_t(2) << 20;

size_t mappedBytes(size_t bytes) {
    return (bytes + LargePage - 1) / LargePage * LargePage;
}

} // namespace

template <typename T>
void* LargePages<T>::allocateBytes(size_t bytes) {
    if (bytes < LargePage)
        return ::operator new(bytes);
    // One large page more than asked, so that the array can start on a large page's boundary;
    // what lies before and after it is given back at once.
    const size_t length = mappedBytes(bytes);
    void* const mapped = mmap(nullptr, length + LargePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + LargePage - 1) / LargePage * LargePage;
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const uintptr_t end = start + length + LargePage; end > aligned + length)
        munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

template <typename T>
void LargePages<T>::deallocateBytes(void* p, size_t bytes) {
    if (bytes < LargePage)
        ::operator delete(p);
    else
        munmap(p, mappedBytes(bytes));
}

template struct LargePages<char>;
template struct LargePages<qint32>;
template struct LargePages<qint64>;
template struct LargePages<SqliteUpwardKeys::Slot>;

namespace {
/// About where a key read and one lookup per line on the way cost less than reading every
/// line whole, for the parts used most (their ways hold a few tens of thousands of lines).
std::atomic<qint64> smallestKeyedTable = 1'000'000;
} // namespace

qint64 SqliteUpwardKeys::smallestTable() {
    return smallestKeyedTable;
}

void SqliteUpwardKeys::setSmallestTable(qint64 lines) {
    smallestKeyedTable = lines;
}

SqliteUpwardKeys::SqliteUpwardKeys() = default;

SqliteUpwardKeys::~SqliteUpwardKeys() = default;

QByteArrayView SqliteUpwardKeys::assemblySpelling(qint32 assembly) const {
    const auto at = size_t(assembly);
    return QByteArrayView(m_assemblyBytes.data() + m_assemblyStart[at],
                          m_assemblyStart[at + 1] - m_assemblyStart[at]);
}

QByteArrayView SqliteUpwardKeys::componentSpelling(qint32 component) const {
    const auto at = size_t(component);
    return QByteArrayView(m_componentBytes.data() + m_componentStart[at],
                          m_componentStart[at + 1] - m_componentStart[at]);
}

qint32 SqliteUpwardKeys::findComponent(QByteArrayView id) const {
    if (m_slots.empty())
        return -1;
    const quint32 hash = hashKey(id);
    const size_t mask = m_slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot slot = m_slots[at];
        if (slot.component < 0)
            return -1;
        if (slot.hash == hash && sameKey(QByteArrayView(m_componentBytes.data() + slot.offset, slot.size), id))
            return slot.component;
    }
}

std::shared_ptr<const SqliteUpwardKeys> SqliteUpwardKeys::read(sqlite3* connection,
                                                               qint64 expectedLines,
                                                               const Progress& progress) {
    QByteArray index;
    {
        NativeStatement encoding(connection, QLatin1StringView("PRAGMA encoding"), readWhat());
        if (!encoding.next() || encoding.bytes(0) != "UTF-8")
            return nullptr;
    }
    {
        NativeStatement find(connection, SelectKeyIndex, readWhat());
        if (!find.next())
            return nullptr;
        index = find.bytes(0).toByteArray();
    }
    const QByteArray sql = "SELECT BomID, BomComp FROM BomDetail INDEXED BY \"" +
                           index.replace('"', "\"\"") +
                           "\" ORDER BY BomID COLLATE NOCASE, BomComp COLLATE NOCASE";
    NativeStatement all(connection, QLatin1StringView(sql), readWhat());
    sqlite3_stmt* const statement = all.get();

    std::shared_ptr<SqliteUpwardKeys> keys(new SqliteUpwardKeys);
    SqliteUpwardKeys& k = *keys;
    // An estimate far beyond any real table (row numbers given by hand) is no guide.
    // The large arrays are reserved for the whole table at once, so that they are never
    // copied as they grow: memory that is reserved but not written costs nothing.
    if (expectedLines > 0 && expectedLines <= (qint64(1) << 27)) {
        k.m_assemblyOf.reserve(size_t(expectedLines));
        k.m_previousOfComponent.reserve(size_t(expectedLines));
        k.m_assemblyStart.reserve(size_t(expectedLines) + 1);
        k.m_assemblyBytes.reserve(size_t(expectedLines) * 16);
    }
    k.m_slots.assign(1024, Slot{});
    qint32 components = 0;
    const auto grow = [&] {
        std::vector<Slot, LargePages<Slot>> old(k.m_slots.size() * 2, Slot{});
        old.swap(k.m_slots);
        const size_t mask = k.m_slots.size() - 1;
        for (const Slot slot : old) {
            if (slot.component < 0)
                continue;
            size_t at = slot.hash & mask;
            while (k.m_slots[at].component >= 0)
                at = (at + 1) & mask;
            k.m_slots[at] = slot;
        }
    };
    const auto internComponent = [&](QByteArrayView id, quint32 hash) -> qint32 {
        if (size_t(components + 1) * 4 > k.m_slots.size() * 3)
            grow();
        const size_t mask = k.m_slots.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = k.m_slots[at];
            if (slot.component < 0) {
                slot = {hash, components, quint32(k.m_componentBytes.size()), quint32(id.size())};
                k.m_componentBytes.insert(k.m_componentBytes.end(), id.begin(), id.end());
                k.m_componentStart.push_back(qint64(k.m_componentBytes.size()));
                k.m_lastOfComponent.push_back(-1);
                return components++;
            }
            if (slot.hash == hash &&
                sameKey(QByteArrayView(k.m_componentBytes.data() + slot.offset, slot.size), id))
                return slot.component;
        }
    };

    // The lines are placed in batches: seeking each component in the table waits on memory more
    // than it computes, and a batch lets each lookup ask for its slot and bytes ahead.
    Batch batch;
    const auto place = [&] {
        const size_t lines = batch.assemblies.size();
        std::vector<quint32>& hashes = batch.hashes;
        hashes.resize(lines);
        for (size_t at = 0, start = 0; at < lines; start = batch.ends[at++])
            hashes[at] = hashKey(QByteArrayView(batch.bytes.data() + start, qsizetype(batch.ends[at] - start)));
        // Each component's slot, and then its bytes, are asked for some lines before its
        // lookup, which then finds them at hand instead of waiting for each.
        constexpr size_t Ahead = 16;
        constexpr size_t Halfway = Ahead / 2;
        const auto slotOf = [&](size_t at) -> const Slot& {
            return k.m_slots[hashes[at] & (k.m_slots.size() - 1)];
        };
        for (size_t at = 0; at < lines && at < Ahead; ++at)
            __builtin_prefetch(&slotOf(at));
        for (size_t at = 0, start = 0; at < lines; start = batch.ends[at++]) {
            if (at + Ahead < lines)
                __builtin_prefetch(&slotOf(at + Ahead));
            if (at + Halfway < lines)
                if (const Slot& slot = slotOf(at + Halfway); slot.component >= 0)
                    __builtin_prefetch(k.m_componentBytes.data() + slot.offset);
            const qint32 component = internComponent(
                QByteArrayView(batch.bytes.data() + start, qsizetype(batch.ends[at] - start)),
                hashes[at]);
            const auto number = qint32(k.m_assemblyOf.size());
            k.m_assemblyOf.push_back(batch.assemblies[at]);
            k.m_previousOfComponent.push_back(k.m_lastOfComponent[size_t(component)]);
            k.m_lastOfComponent[size_t(component)] = number;
        }
        batch.clear();
    };

    qint32 assembly = -1;
    qint64 read = 0;
    quint64 componentBytes = 0; // read so far: more than the table of components holds
    while (all.next()) {
        const QByteArrayView assemblyId = column(statement, 0);
        const QByteArrayView componentId = column(statement, 1);
        // Most lines repeat the line before's assembly byte for byte.
        const char* const last = k.m_assemblyBytes.data() +
                                 (assembly < 0 ? 0 : k.m_assemblyStart[size_t(assembly)]);
        const qint64 lastSize = qint64(k.m_assemblyBytes.size()) -
                                (assembly < 0 ? 0 : k.m_assemblyStart[size_t(assembly)]);
        if (assembly < 0 ||
            !(lastSize == assemblyId.size() &&
              (lastSize == 0 || std::memcmp(last, assemblyId.data(), size_t(lastSize)) == 0 ||
               sameKey(QByteArrayView(last, lastSize), assemblyId)))) {
            // Each assembly once: the index gives its lines together, in the order of the
            // case rule. Lines out of that order mean the index cannot be relied on.
            if (assembly >= 0 && compareKeys(k.assemblySpelling(assembly), assemblyId) > 0)
                return nullptr;
            k.m_assemblyBytes.insert(k.m_assemblyBytes.end(), assemblyId.begin(), assemblyId.end());
            k.m_assemblyStart.push_back(qint64(k.m_assemblyBytes.size()));
            ++assembly;
        }
        // Line numbers, and the bytes' offsets in the slots, must fit 32 bits: a table beyond
        // that is read whole.
        componentBytes += quint64(componentId.size());
        if (read == std::numeric_limits<qint32>::max() - 1 ||
            componentBytes > std::numeric_limits<quint32>::max())
            return nullptr;
        batch.bytes.insert(batch.bytes.end(), componentId.begin(), componentId.end());
        batch.ends.push_back(quint32(batch.bytes.size()));
        batch.assemblies.push_back(assembly);
        if (batch.assemblies.size() == Batch::Lines)
            place();
        if (++read % ProgressStep == 0 && progress)
            progress(read);
    }
    place();

    k.m_componentBytes.shrink_to_fit();
    k.m_componentStart.shrink_to_fit();
    return keys;
}

void SqliteUpwardKeys::addLinesAbove(sqlite3* connection, const QString& item,
                                     UpwardWalk& walk) const {
    const qint32 start = findComponent(item.toUtf8());
    if (start < 0)
        return;
    // Every line of every component met going up: the item, then each assembly above it that
    // some line uses.
    std::vector<bool> met(m_lastOfComponent.size(), false);
    std::vector<qint32> queue{start};
    met[size_t(start)] = true;
    struct Way {
        qint32 line;
        qint32 component;
    };
    std::vector<Way> ways;
    for (size_t at = 0; at < queue.size(); ++at) {
        const qint32 component = queue[at];
        for (qint32 line = m_lastOfComponent[size_t(component)]; line >= 0;
             line = m_previousOfComponent[size_t(line)]) {
            ways.push_back({line, component});
            // The assembly as a component: sought only for the assemblies met.
            const qint32 above = findComponent(assemblySpelling(m_assemblyOf[size_t(line)]));
            if (above >= 0 && !met[size_t(above)]) {
                met[size_t(above)] = true;
                queue.push_back(above);
            }
        }
    }
    // In the index's order, the same for every walk.
    std::sort(ways.begin(), ways.end(), [](const Way& a, const Way& b) { return a.line < b.line; });

    const std::lock_guard lock(m_quantitiesMutex);
    std::optional<NativeStatement> lookup;
    // The ways come by assembly, and each assembly's lines lie together in the index: an
    // assembly's quantities are read in one statement, the first time any of its lines is
    // walked.
    for (size_t at = 0; at < ways.size();) {
        const qint32 assemblyNumber = m_assemblyOf[size_t(ways[at].line)];
        size_t end = at;
        while (end < ways.size() && m_assemblyOf[size_t(ways[end].line)] == assemblyNumber)
            ++end;
        const QByteArrayView assembly = assemblySpelling(assemblyNumber);
        if (!m_quantities.contains(ways[at].line)) {
            const auto gone = [&] {
                return StoreError(QueryFailed,
                                  QCoreApplication::translate(
                                      "store", "%1: the lines of '%2' changed while read.")
                                      .arg(readWhat(), readableId(assembly)));
            };
            if (!lookup)
                lookup.emplace(connection, SelectQuantitiesOfAssembly, readWhat());
            sqlite3_stmt* const statement = lookup->get();
            sqlite3_reset(statement);
            sqlite3_bind_text(statement, 1, assembly.data(), int(assembly.size()), SQLITE_STATIC);
            const auto last = qint32(
                std::upper_bound(m_assemblyOf.begin(), m_assemblyOf.end(), assemblyNumber) -
                m_assemblyOf.begin());
            auto line = qint32(
                std::lower_bound(m_assemblyOf.begin(), m_assemblyOf.end(), assemblyNumber) -
                m_assemblyOf.begin());
            size_t way = at;
            for (; lookup->next(); ++line) {
                // The statement gives the assembly's lines in the index's order, as the keys
                // were read: each walked line's component is checked on the way.
                if (line == last)
                    throw gone();
                if (way < end && ways[way].line == line) {
                    const QByteArrayView component = componentSpelling(ways[way++].component);
                    const QByteArrayView stored = lookup->bytes(0);
                    if (!sameKey(component, stored))
                        throw gone();
                }
                Quantity quantity{UpwardLines::Quantity::Number, 0};
                switch (lookup->type(1)) {
                case SQLITE_NULL:
                    quantity.kind = UpwardLines::Quantity::Null;
                    break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    quantity.value = lookup->real(1);
                    break;
                default: {
                    bool ok = false;
                    quantity.value = lookup->bytes(1).toByteArray().trimmed().toDouble(&ok);
                    if (!ok)
                        quantity.kind = UpwardLines::Quantity::NotANumber;
                }
                }
                m_quantities.emplace(line, quantity);
            }
            if (line != last || way != end)
                throw gone();
        }
        for (; at < end; ++at) {
            const Quantity& quantity = m_quantities.at(ways[at].line);
            walk.addLine(assembly, componentSpelling(ways[at].component), quantity.kind,
                         quantity.value);
        }
    }
}

} // namespace store
