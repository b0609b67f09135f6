#include "store/sqlite/SqliteUpwardKeys.h"

#include "store/sqlite/SqliteStatement.h"
#include "store/StoreError.h"

#include <QByteArray>

#include <sqlite3.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <array>
#include <string>
#include <limits>
#include <optional>

namespace store {

using namespace sql;

namespace {

const QString ReadWhat = QStringLiteral("Could not read BomDetail");

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

/// One line's quantity by its keys, through the same index.
constexpr QLatin1StringView SelectQuantityByKeys{
    "SELECT bomQtyReq FROM BomDetail WHERE BomID = ?1 COLLATE NOCASE"
    " AND BomComp = ?2 COLLATE NOCASE"};

/// ASCII letters to lower case, every other byte as it is: how NOCASE compares.
inline uchar folded(char c) {
    const auto u = uchar(c);
    return u >= 'A' && u <= 'Z' ? uchar(u - 'A' + 'a') : u;
}

/// Compares two IDs as NOCASE does: the folded bytes, unsigned, then the length.
int compareKeys(QByteArrayView a, QByteArrayView b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i)
        if (const uchar x = folded(a[i]), y = folded(b[i]); x != y)
            return x < y ? -1 : 1;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool sameKey(const char* a, qsizetype size, QByteArrayView b) {
    if (size != b.size())
        return false;
    for (qsizetype i = 0; i < size; ++i)
        if (folded(a[i]) != folded(b[i]))
            return false;
    return true;
}

/// FNV-1a over the folded bytes.
quint32 hashKey(const char* id, qsizetype size) {
    quint32 hash = 2166136261u;
    for (qsizetype i = 0; i < size; ++i)
        hash = (hash ^ folded(id[i])) * 16777619u;
    return hash;
}

/// A key column's bytes as stored. In a UTF-8 file a text's bytes are its UTF-8, and asked
/// for as bytes they are not copied to add the terminating zero that text needs.
QByteArrayView column(sqlite3_stmt* statement, int at) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, at));
    return QByteArrayView(bytes, sqlite3_column_bytes(statement, at));
}

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

template struct LargePages<qint32>;
template struct LargePages<SqliteUpwardKeys::Slot>;

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
    const quint32 hash = hashKey(id.data(), id.size());
    const size_t mask = m_slots.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot slot = m_slots[at];
        if (slot.component < 0)
            return -1;
        if (slot.hash == hash && sameKey(m_componentBytes.data() + slot.offset, slot.size, id))
            return slot.component;
    }
}

std::shared_ptr<const SqliteUpwardKeys> SqliteUpwardKeys::read(sqlite3* connection,
                                                               qint64 expectedLines,
                                                               const Progress& progress) {
    QByteArray index;
    {
        NativeStatement encoding(connection, QLatin1StringView("PRAGMA encoding"), ReadWhat);
        if (!encoding.next() || encoding.bytes(0) != "UTF-8")
            return nullptr;
    }
    {
        NativeStatement find(connection, SelectKeyIndex, ReadWhat);
        if (!find.next())
            return nullptr;
        index = find.bytes(0).toByteArray();
    }
    const QByteArray sql = "SELECT BomID, BomComp FROM BomDetail INDEXED BY \"" +
                           index.replace('"', "\"\"") +
                           "\" ORDER BY BomID COLLATE NOCASE, BomComp COLLATE NOCASE";
    NativeStatement all(connection, QLatin1StringView(sql), ReadWhat);
    sqlite3_stmt* const statement = all.get();

    std::shared_ptr<SqliteUpwardKeys> keys(new SqliteUpwardKeys);
    SqliteUpwardKeys& k = *keys;
    // An estimate far beyond any real table (row numbers given by hand) is no guide.
    if (expectedLines > 0 && expectedLines <= (qint64(1) << 27)) {
        k.m_assemblyOf.reserve(size_t(expectedLines));
        k.m_previousOfComponent.reserve(size_t(expectedLines));
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
                sameKey(k.m_componentBytes.data() + slot.offset, slot.size, id))
                return slot.component;
        }
    };

    // Each line's component is sought in the table some lines after it is read: the table
    // is far larger than the processor's caches, so its slot, and then the component's bytes,
    // are asked for early, and the lookup finds them at hand instead of waiting for memory on
    // every line.
    struct Pending {
        std::string id;
        quint32 hash = 0;
        qint32 assembly = 0;
    };
    constexpr size_t Ahead = 16;
    constexpr size_t Halfway = Ahead / 2;
    std::array<Pending, Ahead> pending;
    size_t read = 0;
    size_t placed = 0;
    const auto place = [&] {
        const Pending& line = pending[placed++ % Ahead];
        const qint32 component = internComponent(QByteArrayView(line.id), line.hash);
        const auto number = qint32(k.m_assemblyOf.size());
        k.m_assemblyOf.push_back(line.assembly);
        k.m_previousOfComponent.push_back(k.m_lastOfComponent[size_t(component)]);
        k.m_lastOfComponent[size_t(component)] = number;
    };

    qint32 assembly = -1;
    quint64 componentBytes = 0; // read so far: more than the table of components holds
    while (all.next()) {
        const QByteArrayView assemblyId = column(statement, 0);
        const QByteArrayView componentId = column(statement, 1);
        if (assembly < 0 || !sameKey(k.m_assemblyBytes.data() + k.m_assemblyStart[size_t(assembly)],
                                     qint64(k.m_assemblyBytes.size()) -
                                         k.m_assemblyStart[size_t(assembly)],
                                     assemblyId)) {
            // Each assembly once: the index gives its lines together, in the order of the
            // case rule. Lines out of that order mean the index cannot be relied on.
            if (assembly >= 0 && compareKeys(k.assemblySpelling(assembly), assemblyId) > 0)
                return nullptr;
            k.m_assemblyBytes.insert(k.m_assemblyBytes.end(), assemblyId.begin(), assemblyId.end());
            k.m_assemblyStart.push_back(qint64(k.m_assemblyBytes.size()));
            ++assembly;
        }
        Pending& line = pending[read % Ahead];
        line.id.assign(componentId.data(), size_t(componentId.size()));
        line.hash = hashKey(componentId.data(), componentId.size());
        line.assembly = assembly;
        __builtin_prefetch(&k.m_slots[line.hash & (k.m_slots.size() - 1)]);
        ++read;
        if (read > Halfway) {
            const Pending& earlier = pending[(read - 1 - Halfway) % Ahead];
            const Slot slot = k.m_slots[earlier.hash & (k.m_slots.size() - 1)];
            if (slot.component >= 0)
                __builtin_prefetch(k.m_componentBytes.data() + slot.offset);
        }
        if (read - placed == Ahead)
            place();
        if (read % ProgressStep == 0 && progress)
            progress(qint64(read));
        // Line numbers, and the bytes' offsets in the slots, must fit 32 bits: a table beyond
        // that is read whole.
        componentBytes += quint64(componentId.size());
        if (read == size_t(std::numeric_limits<qint32>::max()) ||
            componentBytes > std::numeric_limits<quint32>::max())
            return nullptr;
    }
    while (placed < read)
        place();

    // Which component each assembly also is: the assemblies are in the case rule's order, so
    // each component is sought by halves among them.
    k.m_componentOfAssembly.assign(size_t(assembly + 1), -1);
    for (qint32 c = 0; c < components; ++c) {
        const QByteArrayView id = k.componentSpelling(c);
        qint32 low = 0;
        qint32 high = assembly + 1;
        while (low < high) {
            const qint32 middle = low + (high - low) / 2;
            if (compareKeys(k.assemblySpelling(middle), id) < 0)
                low = middle + 1;
            else
                high = middle;
        }
        if (low <= assembly && compareKeys(k.assemblySpelling(low), id) == 0)
            k.m_componentOfAssembly[size_t(low)] = c;
    }
    k.m_assemblyBytes.shrink_to_fit();
    k.m_assemblyStart.shrink_to_fit();
    k.m_componentBytes.shrink_to_fit();
    k.m_componentStart.shrink_to_fit();
    k.m_assemblyOf.shrink_to_fit();
    k.m_previousOfComponent.shrink_to_fit();
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
            const qint32 above = m_componentOfAssembly[size_t(m_assemblyOf[size_t(line)])];
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
    QByteArray assemblyId;
    QByteArray componentId;
    for (const Way& way : ways) {
        const QByteArrayView assembly = assemblySpelling(m_assemblyOf[size_t(way.line)]);
        const QByteArrayView component = componentSpelling(way.component);
        auto known = m_quantities.find(way.line);
        if (known == m_quantities.end()) {
            if (!lookup)
                lookup.emplace(connection, SelectQuantityByKeys, ReadWhat);
            sqlite3_stmt* const statement = lookup->get();
            sqlite3_reset(statement);
            sqlite3_bind_text(statement, 1, assembly.data(), int(assembly.size()), SQLITE_STATIC);
            sqlite3_bind_text(statement, 2, component.data(), int(component.size()),
                              SQLITE_STATIC);
            if (!lookup->next())
                throw StoreError(QueryFailed,
                                 QStringLiteral("%1: the line of '%2' in '%3' is gone.")
                                     .arg(ReadWhat, readableId(component), readableId(assembly)));
            Quantity quantity{UpwardLines::Quantity::Number, 0};
            switch (lookup->type(0)) {
            case SQLITE_NULL:
                quantity.kind = UpwardLines::Quantity::Null;
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                quantity.value = lookup->real(0);
                break;
            default: {
                bool ok = false;
                quantity.value = lookup->bytes(0).toByteArray().trimmed().toDouble(&ok);
                if (!ok)
                    quantity.kind = UpwardLines::Quantity::NotANumber;
            }
            }
            known = m_quantities.emplace(way.line, quantity).first;
        }
        walk.addLine(assembly, component, known->second.kind, known->second.value);
    }
}

} // namespace store
