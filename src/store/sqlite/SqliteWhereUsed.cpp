#include "store/Store.h"

#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/sqlite/SqliteUpwardKeys.h"
#include "store/StoreError.h"
#include "store/WhereUsedWalk.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#include <mutex>

namespace store {

using namespace sql;

namespace {

/// What a failed read of the lines says first, in the user's language (made when it is
/// needed: a global would be translated before any catalogue is loaded).
QString readWhat() {
    return QCoreApplication::translate("store", "Could not read BomDetail");
}

/// An ID as text; an ID that is not valid UTF-8 cannot be shown or sought as stored.
QString decodeOrFail(QByteArrayView bytes, const char* table) {
    if (std::optional<QString> id = decodeId(bytes))
        return *id;
    const QString readable = readableId(bytes);
    throw StoreError(UnreadableId,
                     QCoreApplication::translate(
                         "store", "%1 holds the item ID '%2', which is not valid UTF-8 text: "
                                  "correct it in the database, for example by importing it "
                                  "again as UTF-8.")
                         .arg(QLatin1StringView(table), readable));
}

/// What tells one state of a database file from another without reading its tables: the
/// file's identity, size and times and its header (whose change counter moves with every
/// commit in rollback-journal mode), and the same of its write-ahead log while that holds
/// frames. In WAL mode a commit only appends to the log (the header's counter need not move),
/// so the log's size and modification time tell; an empty or absent log adds nothing to the
/// file, however often connections create and remove it. A checkpoint rewrites the file and
/// so also reads as a change: a needless reading, never a wrong answer.
struct FileState {
    struct Part {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        QByteArray head;
        bool operator==(const Part& other) const {
            return device == other.device && inode == other.inode && size == other.size &&
                   modified.tv_sec == other.modified.tv_sec &&
                   modified.tv_nsec == other.modified.tv_nsec &&
                   changed.tv_sec == other.changed.tv_sec &&
                   changed.tv_nsec == other.changed.tv_nsec && head == other.head;
        }
    };
    Part file;
    std::optional<Part> log; ///< none while the log is absent or empty
    bool operator==(const FileState&) const = default;
};

/// The part of `path` with its first `headBytes` bytes; none when it is absent or empty, and
/// `unreadable` set when it is there but cannot be read.
std::optional<FileState::Part> partOf(const QByteArray& path, int headBytes, bool& unreadable) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        unreadable = errno != ENOENT;
        return std::nullopt;
    }
    if (info.st_size == 0)
        return std::nullopt;
    FileState::Part part{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim, {}};
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        unreadable = true;
        return std::nullopt;
    }
    part.head.resize(headBytes);
    const ssize_t read = ::pread(fd, part.head.data(), size_t(headBytes), 0);
    ::close(fd);
    if (read < 0) {
        unreadable = true;
        return std::nullopt;
    }
    part.head.truncate(qsizetype(read));
    return part;
}

/// The state of the database file `file` (a canonical path); none when it cannot be told.
std::optional<FileState> fileState(const QString& file) {
    if (file.isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(file);
    bool unreadable = false;
    std::optional<FileState::Part> main = partOf(path, 100, unreadable);
    if (!main || unreadable)
        return std::nullopt;
    FileState state{std::move(*main), partOf(path + "-wal", 32, unreadable)};
    if (unreadable)
        return std::nullopt;
    return state;
}

/// Whether every write to the file and its log happened at least two seconds before `now`:
/// a write in the same tick of the file system's clock as the state was read would leave the
/// times as they were, so the lines read of a file still being written are not kept.
bool settled(const FileState& state, const timespec& now) {
    const auto before = [&](const timespec& t) {
        return t.tv_sec + 2 < now.tv_sec ||
               (t.tv_sec + 2 == now.tv_sec && t.tv_nsec < now.tv_nsec);
    };
    return before(state.file.modified) && (!state.log || before(state.log->modified));
}

/// The lines of a file turned upward: their keys as the file's index gives them, or, for a file
/// without that index, the whole lines.
struct ReadLines {
    std::shared_ptr<const SqliteUpwardKeys> keys;
    std::shared_ptr<const UpwardLines> lines;
};

/// The lines of the last file read, for the file in the state they were read in. One file at
/// a time: the editor works on one database.
struct KeptLines {
    QString file;
    FileState state;
    ReadLines lines;
};

std::mutex keptMutex;
std::optional<KeptLines> kept;

/// The kept lines when they are those of `file` in `state`; otherwise none, and the lines
/// kept of another file or of an older state of this one are let go before it is read.
std::optional<ReadLines> keptLinesOf(const QString& file, const FileState& state) {
    const std::lock_guard lock(keptMutex);
    if (kept && kept->file == file && kept->state == state)
        return kept->lines;
    kept.reset();
    return std::nullopt;
}

void keep(const QString& file, const FileState& state, ReadLines lines) {
    const std::lock_guard lock(keptMutex);
    kept = KeptLines{file, state, std::move(lines)};
}

/// Lines read between two reports of progress.
constexpr qint64 ProgressStep = 16384;

StoreError whereUsedCancelled() {
    return StoreError(
        WhereUsedCancelled,
        QCoreApplication::translate("store", "Where Used was cancelled before the file was read."));
}

/// The rows' spellings as ItemMaster holds them, their descriptions and units.
void describeRows(sqlite3* connection, const UpwardWalk& walk, std::vector<WhereUsedRow>& rows) {
    const auto describe = [&](WhereUsedRow& row, NativeStatement& master) {
        row.inItemMaster = true;
        row.assembly = decodeOrFail(master.bytes(0), "ItemMaster");
        if (master.type(1) != SQLITE_NULL)
            row.description = QString::fromUtf8(master.bytes(1));
        if (master.type(2) != SQLITE_NULL)
            row.unit = QString::fromUtf8(master.bytes(2));
    };
    const QString masterWhat = QCoreApplication::translate("store", "Could not read ItemMaster");
    // Spellings and descriptions: one search per assembly costs about as much as reading eight
    // rows of ItemMaster in a pass, so a part used nearly everywhere reads the table instead.
    qint64 masterRows = 0;
    if (!rows.empty()) {
        NativeStatement count(connection, schema::CountItemMaster, masterWhat);
        if (count.next())
            masterRows = count.integer(0);
    }
    if (masterRows < qint64(rows.size()) * 8) {
        NativeStatement master(connection, schema::SelectItems, masterWhat);
        while (master.next()) {
            const int row = walk.rowOf(master.bytes(0));
            if (row >= 0)
                describe(rows[size_t(row)], master);
        }
    } else {
        NativeStatement master(connection, schema::SelectItemDescription, masterWhat);
        QByteArray spelling;
        for (size_t at = 0; at < rows.size(); ++at) {
            spelling = walk.spelling(at).toByteArray();
            master.rebind(spelling);
            if (master.next())
                describe(rows[at], master);
        }
    }
    for (size_t at = 0; at < rows.size(); ++at)
        if (!rows[at].inItemMaster)
            rows[at].assembly = decodeOrFail(walk.spelling(at), "BomDetail");
}

/// Where Used of `item` over lines read before, with the descriptions read now; the
/// quantities of keys walked for the first time are read now too.
std::vector<WhereUsedRow> walkOver(sqlite3* connection, const ReadLines& lines,
                                   const QString& item) {
    std::vector<WhereUsedRow> rows;
    if (lines.keys) {
        UpwardWalk walk;
        lines.keys->addLinesAbove(connection, item, walk);
        rows = walk.walk(item);
        describeRows(connection, walk, rows);
    } else {
        UpwardWalk walk(lines.lines);
        rows = walk.walk(item);
        describeRows(connection, walk, rows);
    }
    return rows;
}

/// Every line of BomDetail, whole, turned upward: for a file whose index does not give the
/// lines by their keys.
std::shared_ptr<const UpwardLines> readWholeLines(sqlite3* connection, qint64 total,
                                                  const std::function<void(qint64)>& progress) {
    auto lines = std::make_shared<UpwardLines>();
    lines->reserve(total);
    NativeStatement all(connection, schema::SelectAllLines, readWhat());
    qint64 done = 0;
    while (all.next()) {
        double quantity = 0;
        UpwardLines::Quantity kind = UpwardLines::Quantity::Number;
        switch (all.type(2)) {
        case SQLITE_NULL:
            kind = UpwardLines::Quantity::Null;
            break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            quantity = all.real(2);
            break;
        default: {
            bool ok = false;
            quantity = all.bytes(2).toByteArray().trimmed().toDouble(&ok);
            if (!ok)
                kind = UpwardLines::Quantity::NotANumber;
        }
        }
        lines->addLine(all.bytes(0), all.bytes(1), kind, quantity);
        if (++done % ProgressStep == 0)
            progress(done);
    }
    lines->seal();
    return lines;
}

} // namespace

std::vector<WhereUsedRow> SqliteStore::whereUsed(const QString& item,
                                                  const ReadProgress& progress) {
    sqlite3* const connection = nativeHandle(m_db);
    const QString file = QFileInfo(m_path).canonicalFilePath();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const std::optional<FileState> before = fileState(file);

    // Kept lines serve while the file stays as it was: checked before the reading of the
    // descriptions and after it, so that both come from that one state.
    if (std::optional<ReadLines> lines = before ? keptLinesOf(file, *before) : std::nullopt) {
        std::vector<WhereUsedRow> rows;
        {
            const ReadTransaction transaction(connection, readWhat());
            rows = walkOver(connection, *lines, item);
        }
        if (fileState(file) == before)
            return rows;
    }

    ReadLines lines;
    std::vector<WhereUsedRow> rows;
    {
        // One state of the file for the lines, the quantities and the descriptions alike.
        const ReadTransaction transaction(connection, readWhat());
        const qint64 total = lineEstimate();
        const auto report = [&](qint64 done) {
            if (progress && !progress(done, total))
                throw whereUsedCancelled();
        };
        report(0);
        // In a large table the keys alone, through the index that holds them, cost about
        // what a bare scan of the index costs, and the quantities then come only for the
        // lines the walk meets. A smaller one is read whole: its quantities cost less in one
        // pass than line by line.
        if (total >= SqliteUpwardKeys::smallestTable())
            lines.keys = SqliteUpwardKeys::read(connection, total, report);
        if (!lines.keys)
            lines.lines = readWholeLines(connection, total, report);
        rows = walkOver(connection, lines, item);
    }
    // Kept only when nothing was written to the file while it was read, nor shortly before.
    if (before && settled(*before, now) && fileState(file) == before)
        keep(file, *before, std::move(lines));
    return rows;
}

} // namespace store
