#pragma once

// Where Used's first reading of a large file: BomDetail's two key columns through the file's
// own unique index on them, without the quantities, and the quantities of the lines a walk
// needs read afterwards, one key at a time. Used by SqliteWhereUsed.cpp only.

#include "store/WhereUsedWalk.h"

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace store {

/// Memory for the large arrays of a reading of millions of lines, in the processor's large
/// pages where the system offers them: one page then maps megabytes, so that the random
/// lookups of a reading do not each wait for the page tables, and the first writes to an
/// array fault once for each large page instead of once for every 4 KiB.
template <typename T>
struct LargePages {
    using value_type = T;
    LargePages() = default;
    template <typename U>
    LargePages(const LargePages<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(allocateBytes(n * sizeof(T))); }
    void deallocate(T* p, size_t n) { deallocateBytes(p, n * sizeof(T)); }
    template <typename U>
    bool operator==(const LargePages<U>&) const { return true; }
    static void* allocateBytes(size_t bytes);
    static void deallocateBytes(void* p, size_t bytes);
};

/// Every line of BomDetail as its pair of keys, turned upward: the assemblies numbered in the
/// order of the index (so an assembly needs no lookup of its own: its lines come together,
/// after those of every assembly before it under the store's case rule), the components
/// numbered as first met, each component's lines chained. About 8 bytes a line, kept for later
/// walks like UpwardLines. The quantities of the lines walked are read once and kept with them.
class SqliteUpwardKeys {
public:
    /// Called every so many lines with the lines read so far; it stops the reading by
    /// throwing.
    using Progress = std::function<void(qint64 done)>;

    /// Reads every line's keys in the order of BomDetail's unique index on (BomID, BomComp)
    /// under the store's case rule, within the caller's read transaction. Returns none when
    /// the file has no such index (then only reading the whole table tells the lines), or when
    /// the index gives the lines out of its order (a damaged index).
    static std::shared_ptr<const SqliteUpwardKeys> read(sqlite3* connection,
                                                        qint64 expectedLines,
                                                        const Progress& progress);

    /// The fewest lines (by the table's row numbers) for which reading the keys alone pays.
    static qint64 smallestTable();
    /// For tests: the keys of tables from this many lines on.
    static void setSmallestTable(qint64 lines);

    /// Adds to `walk` every line from which `item` is reached upward, with its quantity: as
    /// kept from an earlier walk, or read now from the file on `connection` (the caller's read
    /// transaction, on the file in the state the keys were read in).
    void addLinesAbove(sqlite3* connection, const QString& item, UpwardWalk& walk) const;

    /// The number of lines read.
    qint64 lines() const { return qint64(m_assemblyOf.size()); }

    SqliteUpwardKeys(const SqliteUpwardKeys&) = delete;
    SqliteUpwardKeys& operator=(const SqliteUpwardKeys&) = delete;
    ~SqliteUpwardKeys();

private:
    SqliteUpwardKeys();
    /// The component with these stored bytes under the store's case rule, or -1.
    qint32 findComponent(QByteArrayView id) const;
    QByteArrayView assemblySpelling(qint32 assembly) const;
    QByteArrayView componentSpelling(qint32 component) const;

    /// A component's place in the table, with where its bytes are, so that a lookup reads
    /// the slot and the bytes and nothing between.
    struct Slot {
        quint32 hash = 0;
        qint32 component = -1;
        quint32 offset = 0;
        quint32 size = 0;
    };
    // Assemblies in index order, each as first spelled, one after the other.
    std::vector<char, LargePages<char>> m_assemblyBytes;
    std::vector<qint64, LargePages<qint64>> m_assemblyStart{0};
    // Components as first met, and an open-addressing table over them.
    std::vector<char> m_componentBytes;
    std::vector<qint64> m_componentStart{0};
    std::vector<Slot, LargePages<Slot>> m_slots;
    // Each line's assembly, and the line before it with the same component (-1 for none);
    // the last line of each component.
    std::vector<qint32, LargePages<qint32>> m_assemblyOf;
    std::vector<qint32, LargePages<qint32>> m_previousOfComponent;
    std::vector<qint32> m_lastOfComponent;

    /// A quantity as read: what the column holds, and its value when a number.
    struct Quantity {
        UpwardLines::Quantity kind;
        double value;
    };
    mutable std::mutex m_quantitiesMutex;
    mutable std::unordered_map<qint32, Quantity> m_quantities; // by line
};

} // namespace store
