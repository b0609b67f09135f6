#include "store/sqlite/history/PageMap.h"

#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"

#include <sqlite3.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstring>

namespace store::history {

namespace {

/// Pages a window reads: 16 MB of 4 KB pages, a few milliseconds.
constexpr quint32 WindowPages = 4096;
/// Past this many pages a page that continues a row could begin with a byte that names a
/// kind of tree page: the map is not kept for files that large (512 GB of 16 KB pages).
constexpr quint32 MostPages = 0x02000000;

quint32 be32(const unsigned char* at) {
    return quint32(at[0]) << 24 | quint32(at[1]) << 16 | quint32(at[2]) << 8 | quint32(at[3]);
}

quint16 be16(const unsigned char* at) {
    return quint16(at[0] << 8 | at[1]);
}

quint64 mix(quint64 hash, quint64 word) {
    hash = (hash ^ word) * 0xff51afd7ed558ccdULL;
    return hash ^ (hash >> 32);
}

/// A page's fingerprint: four lanes of words, each step one-to-one in its lane's hash, and the
/// lanes folded one-to-one at the end, so that pages that differ in one word never share it.
/// Of the file's first page, the header counts only by its schema cookie: the rest of it (the
/// change counter, the free-page count) moves with commits that change no row.
quint64 fingerprint(const unsigned char* page, int size, quint32 number, quint64 seed) {
    quint64 lanes[4] = {mix(seed, number), mix(seed, ~quint64(number)), seed ^ 0x9e3779b97f4a7c15ULL,
                        ~seed};
    int at = 0;
    if (number == 1) {
        lanes[0] = mix(lanes[0], be32(page + 40));
        at = 100;
        for (; at % 32 != 0; at += 4)
            lanes[1] = mix(lanes[1], be32(page + at));
    }
    for (; at + 32 <= size; at += 32) {
        quint64 words[4];
        std::memcpy(words, page + at, 32);
        for (int lane = 0; lane < 4; ++lane)
            lanes[lane] = mix(lanes[lane], words[lane]);
    }
    quint64 tail[4] = {};
    std::memcpy(tail, page + at, size_t(size - at));
    quint64 hash = seed;
    for (int lane = 0; lane < 4; ++lane)
        hash = mix(hash, mix(lanes[lane], tail[lane]));
    return hash;
}

/// One varint of the file format: up to nine bytes, big-endian, seven bits a byte but the
/// ninth. Empty when it runs past `end`.
std::optional<qint64> varint(const unsigned char* at, const unsigned char* end, int& length) {
    quint64 value = 0;
    for (length = 1; at < end; ++at, ++length) {
        if (length == 9)
            return qint64(value << 8 | *at);
        value = value << 7 | (*at & 0x7f);
        if (!(*at & 0x80))
            return qint64(value);
    }
    return std::nullopt;
}

enum class Kind { Other, TableLeaf, Tree };

struct PageInfo {
    quint64 hash = 0;
    Kind kind = Kind::Other;
    /// A table leaf's row numbers, first and last (its cells are in their order).
    std::optional<std::pair<qint64, qint64>> rows;
};

PageInfo inspect(const unsigned char* page, int size, quint32 number, quint64 seed, bool free) {
    PageInfo info;
    info.hash = fingerprint(page, size, number, seed);
    const int header = number == 1 ? 100 : 0;
    switch (page[header]) {
    case 0x0d:
        info.kind = Kind::TableLeaf;
        break;
    case 0x05:
    case 0x02:
    case 0x0a:
        info.kind = Kind::Tree;
        break;
    default:
        return info;
    }
    // A free page holds no row, whatever its bytes were before.
    if (free || info.kind != Kind::TableLeaf)
        return info;
    const int cells = be16(page + header + 3);
    if (cells == 0 || header + 8 + 2 * cells > size)
        return info;
    const auto rowNumber = [&](int pointer) -> std::optional<qint64> {
        const int cell = be16(page + header + 8 + 2 * pointer);
        if (cell >= size)
            return std::nullopt;
        int length = 0;
        if (!varint(page + cell, page + size, length)) // the payload's size
            return std::nullopt;
        int skipped = length;
        return varint(page + cell + skipped, page + size, length);
    };
    const std::optional<qint64> first = rowNumber(0);
    const std::optional<qint64> last = rowNumber(cells - 1);
    if (first && last && *first <= *last)
        info.rows = std::pair{*first, *last};
    else
        info.kind = Kind::Other; // not a leaf this format can read: the map cannot tell
    return info;
}

qint64 pragma(sqlite3* db, QLatin1StringView text) {
    sql::NativeStatement read = statement(db, text);
    const qint64 value = read.next() ? read.integer(0) : 0;
    read.clear();
    return value;
}

} // namespace

struct PageMap::Form {
    int pageSize = 0;
    quint32 pageCount = 0;
    std::vector<quint32> free; ///< sorted
    bool isFree(quint32 page) const { return std::binary_search(free.begin(), free.end(), page); }
};

/// Pages of the data file, in the read of the data the caller holds: where SQLite maps the
/// file, its mapping (no copy); otherwise read into a buffer of its own. Released before the
/// read ends.
class PageSpan {
public:
    explicit PageSpan(sqlite3* db) {
        if (sqlite3_file_control(db, "data", SQLITE_FCNTL_FILE_POINTER, &m_file) != SQLITE_OK ||
            !m_file || !m_file->pMethods)
            m_file = nullptr;
    }
    ~PageSpan() { release(); }
    PageSpan(const PageSpan&) = delete;
    PageSpan& operator=(const PageSpan&) = delete;

    bool read(quint32 first, quint32 count, int pageSize) {
        release();
        if (!m_file)
            return false;
        const sqlite3_int64 offset = sqlite3_int64(first - 1) * pageSize;
        const int amount = int(count) * pageSize;
        void* mapped = nullptr;
        if (m_file->pMethods->iVersion >= 3 &&
            m_file->pMethods->xFetch(m_file, offset, amount, &mapped) == SQLITE_OK && mapped) {
            m_fetched = static_cast<const unsigned char*>(mapped);
            m_offset = offset;
            m_amount = size_t(amount);
#ifdef MADV_POPULATE_READ
            // The window's pages put in place at once rather than a fault at a time.
            madvise(mapped, size_t(amount), MADV_POPULATE_READ);
#endif
            return true;
        }
        m_copy.resize(size_t(amount));
        return m_file->pMethods->xRead(m_file, m_copy.data(), amount, offset) == SQLITE_OK;
    }
    const unsigned char* data() const { return m_fetched ? m_fetched : m_copy.data(); }
    void release() {
        if (m_fetched) {
#ifdef MADV_DONTNEED
            // The file's pages stay cached; the process no longer holds them, so that a look
            // holds one window of the file at a time, whatever its size.
            madvise(const_cast<unsigned char*>(m_fetched), m_amount, MADV_DONTNEED);
#endif
            m_file->pMethods->xUnfetch(m_file, m_offset, const_cast<unsigned char*>(m_fetched));
        }
        m_fetched = nullptr;
    }

private:
    sqlite3_file* m_file = nullptr;
    const unsigned char* m_fetched = nullptr;
    sqlite3_int64 m_offset = 0;
    size_t m_amount = 0;
    std::vector<unsigned char> m_copy;
};

PageMap::PageMap(sqlite3* db, quint64 seed) : m_db(db), m_seed(seed) {
    // Read through SQLite's mapping of the file where it can: reading the pages costs no copy.
    execute(m_db, historyschema::MapData);
}

std::optional<PageMap::Form> PageMap::form() {
    // The caller holds a read of the data, under which the file is whole.
    pragma(m_db, historyschema::TouchData);
    Form form;
    form.pageSize = int(pragma(m_db, historyschema::DataPageSize));
    form.pageCount = quint32(std::min<qint64>(pragma(m_db, historyschema::DataPageCount), MostPages));
    PageSpan first(m_db);
    if (form.pageSize < 512 || form.pageCount == 0 || form.pageCount >= MostPages ||
        !first.read(1, 1, form.pageSize))
        return std::nullopt;
    const unsigned char* header = first.data();
    // Write-ahead log (its pages are not in the file) or auto-vacuum (its pointer-map pages
    // change as pages move): no map.
    if (header[18] == 2 || header[19] == 2 || be32(header + 52) != 0)
        return std::nullopt;
    // The free pages, from the trunks of the free list.
    const quint32 freeCount = be32(header + 36);
    PageSpan trunk(m_db);
    for (quint32 at = be32(header + 32); at != 0 && form.free.size() <= freeCount;) {
        if (at > form.pageCount || !trunk.read(at, 1, form.pageSize))
            return std::nullopt;
        form.free.push_back(at);
        const quint32 leaves = be32(trunk.data() + 4);
        if (8 + size_t(leaves) * 4 > size_t(form.pageSize))
            return std::nullopt;
        for (quint32 leaf = 0; leaf < leaves; ++leaf)
            form.free.push_back(be32(trunk.data() + 8 + 4 * leaf));
        at = be32(trunk.data());
    }
    if (form.free.size() > freeCount)
        return std::nullopt; // a loop in a damaged list
    std::sort(form.free.begin(), form.free.end());
    return form;
}

bool PageMap::usable() {
    execute(m_db, historyschema::Begin);
    const bool usable = form().has_value();
    execute(m_db, historyschema::Commit);
    return usable;
}

std::optional<std::vector<quint32>> PageMap::changedPages() {
    std::vector<quint32> changed;
    sql::NativeStatement stored = statement(m_db, historyschema::StoredPages);
    for (quint32 first = 1;; first += WindowPages) {
        PageSpan pages(m_db);
        execute(m_db, historyschema::Begin);
        const auto done = [&] {
            pages.release();
            execute(m_db, historyschema::Commit);
        };
        try {
            const std::optional<Form> now = form();
            if (!now) {
                done();
                return std::nullopt;
            }
            if (first > now->pageCount) {
                // Pages past the file's end: the file shrank, and what they held is gone.
                sql::NativeStatement past = statement(m_db, historyschema::PagesPast);
                past.bind(qint64(now->pageCount));
                while (past.next())
                    changed.push_back(quint32(past.integer(0)));
                past.clear();
                done();
                break;
            }
            const quint32 count = std::min(WindowPages, now->pageCount - first + 1);
            if (!pages.read(first, count, now->pageSize)) {
                done();
                return std::nullopt;
            }
            stored.bind(qint64(first)).bind(qint64(first) + count);
            bool more = stored.next();
            for (quint32 page = first; page < first + count; ++page) {
                while (more && stored.integer(0) < page)
                    more = stored.next();
                const PageInfo info =
                    inspect(pages.data() + size_t(page - first) * size_t(now->pageSize),
                            now->pageSize, page, m_seed, now->isFree(page));
                if (more && stored.integer(0) == page && quint64(stored.integer(1)) == info.hash)
                    continue;
                // The schema, or a row's continuation: the map cannot tell what changed.
                if (page == 1 || (info.kind == Kind::Other && !now->isFree(page))) {
                    stored.clear();
                    done();
                    return std::nullopt;
                }
                changed.push_back(page);
            }
            stored.clear();
            done();
            // Most of the file changed (a VACUUM, a reload): comparing the tables costs less.
            if (changed.size() > now->pageCount / 8 + 64)
                return std::nullopt;
        } catch (...) {
            sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
    }
    return changed;
}

void PageMap::examineRange(qint64 first, qint64 last, Differences& found) {
    const auto add = [&found](sql::NativeStatement& rows, int key) {
        if (rows.integer(0) == LineTable)
            found.lines.insert({rows.text(key), rows.text(key + 1)});
        else
            found.items.insert(rows.text(key));
    };
    sql::NativeStatement mapped = statement(m_db, historyschema::MappedRows);
    mapped.bind(first).bind(last);
    while (mapped.next())
        add(mapped, 1);
    sql::NativeStatement now = statement(m_db, historyschema::DataRowsIn);
    now.bind(first).bind(last);
    while (now.next())
        add(now, 2);
    for (const QLatin1StringView text :
         {historyschema::DropMappedRows, historyschema::MapRows, historyschema::MapItems}) {
        sql::NativeStatement write = statement(m_db, text);
        write.bind(first).bind(last);
        write.run();
    }
}

bool PageMap::examine(const std::vector<quint32>& pages, qint64 since, Differences& found) {
    const std::optional<Form> now = form();
    if (!now)
        return false;
    sql::NativeStatement stored = statement(m_db, historyschema::StoredPage);
    sql::NativeStatement put = statement(m_db, historyschema::PutPage);
    sql::NativeStatement drop = statement(m_db, historyschema::DropPage);
    PageSpan bytes(m_db);
    for (const quint32 page : pages) {
        stored.bind(qint64(page));
        std::optional<quint64> hash;
        std::optional<std::pair<qint64, qint64>> before;
        if (stored.next()) {
            hash = quint64(stored.integer(0));
            if (!stored.isNull(1))
                before = std::pair{stored.integer(1), stored.integer(2)};
        }
        stored.clear();
        std::optional<PageInfo> info;
        if (page <= now->pageCount) {
            if (!bytes.read(page, 1, now->pageSize))
                return false;
            info = inspect(bytes.data(), now->pageSize, page, m_seed, now->isFree(page));
            if (hash == info->hash)
                continue; // put back as it was since the windows read it
            if (page == 1 || (info->kind == Kind::Other && !now->isFree(page)))
                return false;
        }
        if (before)
            examineRange(before->first, before->second, found);
        if (info && info->rows)
            examineRange(info->rows->first, info->rows->second, found);
        if (info) {
            put.bind(qint64(page)).bind(qint64(info->hash));
            put.bind(info->rows ? QVariant(info->rows->first) : QVariant());
            put.bind(info->rows ? QVariant(info->rows->second) : QVariant());
            put.run();
        } else {
            drop.bind(qint64(page));
            drop.run();
        }
    }
    sql::NativeStatement recorded = statement(m_db, historyschema::RowsRecordedAfter);
    recorded.bind(since);
    while (recorded.next()) {
        if (recorded.integer(0) == LineTable)
            found.lines.insert({recorded.text(1), recorded.text(2)});
        else
            found.items.insert(recorded.text(1));
    }
    return true;
}

bool PageMap::rebuild(bool windows) {
    if (windows) {
        if (!usable())
            return false;
        // The old map dropped in a write of the history's alone: no read of the data is held
        // meanwhile, and another program's commit does not wait for it.
        execute(m_db, historyschema::Begin);
        try {
            execute(m_db, historyschema::CreatePageMap);
            execute(m_db, historyschema::Commit);
        } catch (...) {
            sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
    }
    // In the caller's transaction, or each window in its own.
    for (quint32 first = 1;; first += WindowPages) {
        if (windows)
            execute(m_db, historyschema::Begin);
        try {
            PageSpan pages(m_db);
            const std::optional<Form> now = form();
            // The file changed its form meanwhile (a write-ahead log): the map is not kept.
            if (!now || (first > 1 && first > now->pageCount)) {
                if (windows)
                    execute(m_db, historyschema::Commit);
                return now.has_value();
            }
            if (!windows && first == 1) {
                // In one read, every row at once, in the order of its number.
                execute(m_db, historyschema::CreatePageMap);
                execute(m_db, historyschema::MapAllRows);
            }
            const quint32 count = std::min(WindowPages, now->pageCount - first + 1);
            if (!pages.read(first, count, now->pageSize)) {
                pages.release();
                if (windows)
                    execute(m_db, historyschema::Commit);
                return false;
            }
            sql::NativeStatement put = statement(m_db, historyschema::PutPage);
            sql::NativeStatement mapRows = statement(m_db, historyschema::MapRows);
            sql::NativeStatement mapItems = statement(m_db, historyschema::MapItems);
            for (quint32 page = first; page < first + count; ++page) {
                const PageInfo info =
                    inspect(pages.data() + size_t(page - first) * size_t(now->pageSize),
                            now->pageSize, page, m_seed, now->isFree(page));
                put.bind(qint64(page)).bind(qint64(info.hash));
                put.bind(info.rows ? QVariant(info.rows->first) : QVariant());
                put.bind(info.rows ? QVariant(info.rows->second) : QVariant());
                put.run();
                if (!info.rows || !windows)
                    continue;
                for (sql::NativeStatement* map : {&mapRows, &mapItems}) {
                    map->bind(info.rows->first).bind(info.rows->second);
                    map->run();
                }
            }
            pages.release();
            if (windows)
                execute(m_db, historyschema::Commit);
            if (first + count > now->pageCount)
                return true;
        } catch (...) {
            if (windows)
                sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
    }
}

} // namespace store::history
