// The history file of a database file, through SQLite's own interface. Its tables:
//   Meta       what the file was made for and when it was last brought up to date;
//   ChangeSet  one command of an editor's, or one batch of other programs' changes found at a
//              look, with who, when, which command and why; Pending while its write is under
//              way;
//   RowChange  each row a change set touched, whole before and after, with the descriptions of
//              that moment;
//   StateLine, StateItem  the shared tables' rows as last recorded: the starting point from
//              which any kept moment is rebuilt (today's rows, the changes since undone).
// Times are milliseconds since the epoch, UTC.

#include "store/sqlite/HistoryFile.h"

#include "store/ItemKey.h"
#include "store/SessionName.h"
#include "store/StoreError.h"
#include "store/sqlite/history/OwnCommits.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStandardPaths>
#include <QSysInfo>
#include <QLocale>
#include <QTimeZone>
#include <QUrl>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>
#include <limits>

namespace store::history {

namespace {

constexpr int FormatVersion = 1;
/// A pending record younger than this may belong to a write still under way.
constexpr qint64 InFlightMs = 60'000;
constexpr int BusyWaitMs = 10'000;

enum Source : int { EditorSource = 0, ProgramSource = 1, RestoreSource = 2 };
enum Table : int { LineTable = 0, ItemTable = 1 };

void (*g_stepHook)(const char*) = nullptr;
void step(const char* name) {
    if (g_stepHook)
        g_stepHook(name);
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

[[noreturn]] void fail(int number, const QString& what, sqlite3* db) {
    throw StoreError(number, QStringLiteral("%1: %2.")
                                 .arg(what, QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory")));
}

/// Renames a damaged history aside with its log, so that the one begun in its place does not
/// take that log for its own; returns the name it now has.
QString setAside(const QString& path) {
    const QString aside = path + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QFile::rename(path, aside);
    QFile::rename(path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    return aside;
}

/// Pages of the history's log past which a write folds it into the file itself.
constexpr int LongLogPages = 8192;

int foldLongLog(void*, sqlite3* db, const char* schema, int pages) {
    if (pages >= LongLogPages)
        sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return SQLITE_OK;
}

/// Which file stands at `path` (device and inode), empty when none does.
QString fileIdentity(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(info.st_dev).arg(info.st_ino);
}

/// History connections kept between the editor's writes, at most one idle per database and a
/// few in all, each closed when a minute passes unused. A connection is used by one write at a
/// time: taken out while in use, handed back after.
class KeptHistories {
public:
    static KeptHistories& instance() {
        static KeptHistories kept;
        return kept;
    }

    std::unique_ptr<HistoryFile> take(const QString& database) {
        std::unique_ptr<HistoryFile> found;
        std::vector<std::unique_ptr<HistoryFile>> closing;
        {
            const QMutexLocker lock(&m_lock);
            const qint64 now = nowMs();
            for (auto it = m_idle.begin(); it != m_idle.end();) {
                if (!found && it->file->database() == database) {
                    found = std::move(it->file);
                } else if (now - it->since > IdleMs) {
                    closing.push_back(std::move(it->file));
                } else {
                    ++it;
                    continue;
                }
                it = m_idle.erase(it);
            }
        }
        // Another editor may have set the file aside (damaged) or removed it since: a kept
        // connection would go on writing where nobody reads.
        if (found && !found->reusable())
            found.reset();
        return found;
    }

    void give(std::unique_ptr<HistoryFile> file) noexcept {
        if (!file || !file->reusable())
            return;
        std::unique_ptr<HistoryFile> closing;
        const QMutexLocker lock(&m_lock);
        for (auto& idle : m_idle)
            if (idle.file->database() == file->database()) {
                std::swap(idle.file, file); // the one used last is kept
                idle.since = nowMs();
                closing = std::move(file);
                return;
            }
        if (m_idle.size() >= Most) {
            closing = std::move(m_idle.front().file);
            m_idle.erase(m_idle.begin());
        }
        m_idle.push_back({std::move(file), nowMs()});
    }

private:
    static constexpr qint64 IdleMs = 60'000;
    static constexpr size_t Most = 4;
    struct Idle {
        std::unique_ptr<HistoryFile> file;
        qint64 since = 0;
    };
    QMutex m_lock;
    std::vector<Idle> m_idle;
};

/// One statement, finalized when destroyed; failures are HistoryUnreadable.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            fail(HistoryUnreadable, QStringLiteral("Could not read the history"), db);
    }
    ~Stmt() { sqlite3_finalize(m_stmt); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& bind(const QVariant& value) {
        const int at = ++m_bound;
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_stmt, at);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(m_stmt, at, value.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(m_stmt, at, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray bytes = value.toByteArray();
                rc = sqlite3_bind_blob64(m_stmt, at, bytes.constData(), bytes.size(),
                                         SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = value.toString().toUtf8();
                rc = sqlite3_bind_text64(m_stmt, at, text.constData(), text.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
            }
            }
        }
        if (rc != SQLITE_OK)
            fail(HistoryUnreadable, QStringLiteral("Could not read the history"), m_db);
        return *this;
    }
    /// The next row; false at the end, when the statement is reset for another run.
    bool next() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_bound = 0;
        if (rc != SQLITE_DONE)
            fail(HistoryUnreadable, QStringLiteral("Could not read the history"), m_db);
        return false;
    }
    void run() {
        while (next()) {
        }
    }
    /// Ends the run after the rows read so far, for another one.
    void finish() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_bound = 0;
    }
    QVariant value(int column) const {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(m_stmt, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(m_stmt, column));
        case SQLITE_TEXT:
            return QVariant(text(column));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)),
                                       sqlite3_column_bytes(m_stmt, column)));
        default:
            return QVariant();
        }
    }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                                 sqlite3_column_bytes(m_stmt, column));
    }
    std::optional<QString> optionalText(int column) const {
        if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
            return std::nullopt;
        return text(column);
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    int m_bound = 0;
};

/// Files whose integrity this process has checked already: once per file and process.
QMutex g_checkedLock;
QSet<QString> g_checked;

QVariant asVariant(const std::optional<QString>& text) {
    return text ? QVariant(*text) : QVariant();
}

/// A line's key: exact, as the history's state keeps it (two IDs that differ in case are two
/// rows there, as in a table made without the key rule's index).
using LineKey = QPair<QString, QString>;

RowImage lineImage(const std::optional<LineRow>& row) {
    if (!row)
        return {};
    return RowImage{true, row->quantity, row->startDate, std::nullopt, std::nullopt};
}

/// Whether two stored values are the same as SQLite's IS compares them (2 and 2.0 are).
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    const bool aNumber = a.typeId() == QMetaType::LongLong || a.typeId() == QMetaType::Double ||
                         a.typeId() == QMetaType::Int;
    const bool bNumber = b.typeId() == QMetaType::LongLong || b.typeId() == QMetaType::Double ||
                         b.typeId() == QMetaType::Int;
    if (aNumber != bNumber)
        return false;
    if (aNumber)
        return a.toDouble() == b.toDouble();
    return a.toString() == b.toString();
}

bool sameLine(const RowImage& image, const RowImage& stored) {
    if (!image.exists || !stored.exists)
        return image.exists == stored.exists;
    return sameValue(image.quantity, stored.quantity) &&
           sameValue(image.startDate, stored.startDate);
}

bool sameItem(const RowImage& a, const RowImage& b) {
    return a.exists == b.exists && (!a.exists || (a.description == b.description && a.unit == b.unit));
}

/// Whether two images of a row of `table` hold the same.
bool sameRow(int table, const RowImage& a, const RowImage& b) {
    return table == LineTable ? sameLine(a, b) : sameItem(a, b);
}

/// A row change about to be written to RowChange.
struct RowRecord {
    int table = LineTable;
    QString key;
    QString component;
    RowImage before;
    RowImage after;
};

} // namespace

void HistoryFile::setStepHook(void (*hook)(const char*)) {
    g_stepHook = hook;
}

HistoryPlace historyPlace(const QString& databasePath) {
    const QFileInfo database(databasePath);
    const QString beside = database.absoluteFilePath() + QStringLiteral(".history");
    const QFileInfo folder(database.absolutePath());
    const HistoryPlace own = userPlace(databasePath);
    // One database has one history: once begun in the user's folder (its place beside the
    // database could not be written), it is kept there until the user moves it beside the
    // database, even when that place can be written again; two would each hold part of the
    // record.
    if (QFileInfo::exists(own.path) && !QFileInfo::exists(beside))
        return own;
    if (QFileInfo::exists(beside) ? QFileInfo(beside).isWritable() && folder.isWritable()
                                  : folder.isWritable())
        return {beside, true};
    return own;
}

HistoryPlace userPlace(const QString& databasePath) {
    const QFileInfo database(databasePath);
    // The editor's data folder by its own name, whichever program asks (bom-import reads the
    // same history as the window).
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    data += QStringLiteral("/Fabrilux/Fabrilux Bill of Material Editor");
    const QByteArray full = QFileInfo(databasePath).canonicalFilePath().toUtf8();
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(full, QCryptographicHash::Sha1).toHex().left(20));
    return {data + QStringLiteral("/history/") + database.fileName() + QLatin1Char('-') + name +
                QStringLiteral(".history"),
            false};
}

struct HistoryFile::Pending {
    qint64 set = 0;
    /// The step of the data's change counter that the write's commit takes; Null when unknown.
    QVariant counter;
    WriteCommand command;
    std::vector<RowRecord> rows;
    bool locked = false;
};

HistoryFile::HistoryFile(const QString& databasePath)
    : m_database(QFileInfo(databasePath).absoluteFilePath()), m_place(historyPlace(databasePath)) {
    open();
}

HistoryFile::~HistoryFile() {
    if (m_pending && m_pending->locked)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

void HistoryFile::foldLog() noexcept {
    // The writes leave their log for a later connection to fold into the file; a look does it,
    // off the edits' way (the watcher looks after each commit), so that the file on its own
    // holds the history when it is copied or moved with its database.
    sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void HistoryFile::exec(const char* sql) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(HistoryUnreadable,
             QStringLiteral("Could not write the history '%1'").arg(QDir::toNativeSeparators(path())),
             m_db);
}

void HistoryFile::open() {
    // Anyone who may write the database's folder could make a link there under the history's
    // name, and every editor would then create or write files wherever its user may write:
    // a link, to the history or to its log, is never followed.
    for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat info {};
        const QString file = path() + QLatin1String(suffix);
        if (::lstat(QFile::encodeName(file).constData(), &info) == 0 && S_ISLNK(info.st_mode))
            throw StoreError(HistoryLink,
                             QStringLiteral("The history '%1' is a symbolic link; it is not "
                                            "used, so that no editor writes where the link "
                                            "points. Remove the link to keep the history there.")
                                 .arg(QDir::toNativeSeparators(file)));
    }
    const bool existed = QFileInfo::exists(path());
    if (!existed && !m_place.beside)
        QDir().mkpath(QFileInfo(path()).absolutePath());
    const QByteArray name = QFile::encodeName(path());
    // URIs for the data attached read-only; the history's own path is absolute, never one.
    if (sqlite3_open_v2(name.constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI |
                            SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        const QString text = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw StoreError(HistoryUnreadable, QStringLiteral("Could not open the history '%1': %2.")
                                                .arg(QDir::toNativeSeparators(path()), text));
    }
    sqlite3_busy_timeout(m_db, BusyWaitMs);
    try {
        bool check = false;
        {
            const QMutexLocker lock(&g_checkedLock);
            check = existed && !g_checked.contains(path());
        }
        if (check) {
            QString verdict;
            if (sqlite3_exec(m_db, "PRAGMA quick_check", nullptr, nullptr, nullptr) == SQLITE_OK) {
                Stmt quick(m_db, "PRAGMA quick_check");
                if (quick.next())
                    verdict = quick.text(0);
                quick.finish();
            } else {
                verdict = QString::fromUtf8(sqlite3_errmsg(m_db));
            }
            if (verdict != QLatin1String("ok")) {
                sqlite3_close_v2(m_db);
                m_db = nullptr;
                const QString aside = setAside(path());
                throw StoreError(HistoryDamaged,
                                 QStringLiteral("The history '%1' is damaged (%2); it was set aside "
                                                "as '%3' and a new one is begun from the "
                                                "database as it is now.")
                                     .arg(QDir::toNativeSeparators(path()), verdict,
                                          QDir::toNativeSeparators(aside)));
            }
            const QMutexLocker lock(&g_checkedLock);
            g_checked.insert(path());
        }
        // Its own writes are small and many: a write-ahead log spares a sync per record, and
        // other editors read while one writes.
        exec("PRAGMA journal_mode=WAL");
        exec("PRAGMA synchronous=NORMAL");
        // The log is kept between connections and left for the next one to fold in, so that
        // a connection's close does not sync and remove it.
        int persist = 1;
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        // Folding the log into the file syncs it, which costs a write more than its record:
        // the watcher folds it after each commit, on its own thread (foldLog). A write folds
        // it only when the log has grown long, as where no watcher runs (bom-import).
        sqlite3_wal_hook(m_db, &foldLongLog, nullptr);
        createTables();
        addCounters();
        checkIdentity();
        m_opened = fileIdentity(path());
    } catch (const StoreError& error) {
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
        if (error.number() == HistoryUnreadable && existed &&
            QString(error.description()).contains(QLatin1String("not a database"))) {
            const QString aside = setAside(path());
            throw StoreError(HistoryDamaged,
                             QStringLiteral("The history '%1' is not a history file; it was set "
                                            "aside as '%2'.")
                                 .arg(QDir::toNativeSeparators(path()),
                                      QDir::toNativeSeparators(aside)));
        }
        throw;
    }
}

bool HistoryFile::reusable() const {
    return m_db && !m_pending && !m_opened.isEmpty() && fileIdentity(path()) == m_opened;
}

void HistoryFile::createTables() {
    {
        Stmt made(m_db, "SELECT 1 FROM sqlite_master WHERE name = 'Meta'");
        const bool hasMeta = made.next();
        made.finish();
        if (hasMeta && !metaText("format").isEmpty())
            return;
        // A file of that name that holds tables of its own is somebody's database: never
        // taken over.
        Stmt others(m_db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT IN"
                          " ('Meta', 'ChangeSet', 'RowChange', 'StateLine', 'StateItem')");
        if (others.next()) {
            const QString table = others.text(0);
            others.finish();
            throw StoreError(HistoryOtherDatabase,
                             QStringLiteral("'%1' is no history of the editor's: it holds the "
                                            "table %2. It is left as it is and nothing is "
                                            "recorded in it.")
                                 .arg(QDir::toNativeSeparators(path()), table));
        }
    }
    // The state of a new history is copied from the data, which is attached for that alone:
    // with the data attached, every write transaction would lock the data file as well.
    attachData();
    // A deferred transaction whose first write is to the history: the history's lock alone.
    exec("BEGIN");
    try {
        exec("CREATE TABLE IF NOT EXISTS Meta(Key TEXT PRIMARY KEY, Value) WITHOUT ROWID");
        setMeta("opened", nowMs());
        exec("CREATE TABLE IF NOT EXISTS ChangeSet(Id INTEGER PRIMARY KEY, Pending INTEGER NOT NULL,"
             " Time INTEGER NOT NULL, NotBefore INTEGER, Person TEXT, Host TEXT, Session TEXT,"
             " Source INTEGER NOT NULL, Program TEXT, Command TEXT, Reason TEXT);"
             "CREATE INDEX IF NOT EXISTS ChangeSetTime ON ChangeSet(Time);"
             "CREATE TABLE IF NOT EXISTS RowChange(SetId INTEGER NOT NULL, Tbl INTEGER NOT NULL,"
             " Key TEXT NOT NULL, Component TEXT NOT NULL,"
             " OldExists INTEGER NOT NULL, OldA, OldB, NewExists INTEGER NOT NULL, NewA, NewB,"
             " KeyDesc TEXT, ComponentDesc TEXT);"
             "CREATE INDEX IF NOT EXISTS RowChangeSet ON RowChange(SetId);"
             "CREATE INDEX IF NOT EXISTS RowChangeKey ON RowChange(Key COLLATE NOCASE, SetId);"
             "CREATE INDEX IF NOT EXISTS RowChangeComponent"
             " ON RowChange(Component COLLATE NOCASE, SetId);"
             "CREATE TABLE IF NOT EXISTS StateLine(BomID TEXT NOT NULL, BomComp TEXT NOT NULL,"
             " bomQtyReq, StartDate, PRIMARY KEY(BomID, BomComp)) WITHOUT ROWID;"
             "CREATE INDEX IF NOT EXISTS StateLineAssembly ON StateLine(BomID COLLATE NOCASE);"
             "CREATE TABLE IF NOT EXISTS StateItem(ItemID TEXT NOT NULL PRIMARY KEY, ItemDesc,"
             " ItemUom) WITHOUT ROWID;"
             "CREATE INDEX IF NOT EXISTS StateItemNoCase ON StateItem(ItemID COLLATE NOCASE);");
        if (metaText("format").isEmpty()) {
            exec("INSERT OR IGNORE INTO StateLine SELECT BomID, BomComp, bomQtyReq, StartDate"
                 " FROM data.BomDetail;"
                 "INSERT OR IGNORE INTO StateItem SELECT ItemID, ItemDesc, ItemUom"
                 " FROM data.ItemMaster;");
            setMeta("format", FormatVersion);
            setMeta("database", QFileInfo(m_database).fileName());
            setMeta("path", m_database);
            setMeta("since", nowMs());
            setMeta("checked", nowMs());
            if (const std::optional<quint32> counter = changeCounter(m_db, "data"))
                setMeta("counter", qint64(*counter));
        }
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        detachData();
        throw;
    }
    detachData();
}

void HistoryFile::addCounters() {
    // Each editor's change set says which step of the data file's change counter its commit
    // took, so that a look knows the editors' commits from other programs' without reading
    // the tables. A history made before has the column added; older editors name the columns
    // they write and leave it empty.
    const auto has = [this] {
        Stmt column(m_db, "SELECT 1 FROM pragma_table_info('ChangeSet') WHERE name = 'Counter'");
        const bool found = column.next();
        column.finish();
        return found;
    };
    if (has())
        return;
    exec("BEGIN IMMEDIATE");
    try {
        if (!has())
            exec("ALTER TABLE ChangeSet ADD COLUMN Counter INTEGER;"
                 "CREATE INDEX IF NOT EXISTS ChangeSetCounter ON ChangeSet(Counter)"
                 " WHERE Counter IS NOT NULL");
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryFile::checkIdentity() {
    const QString format = metaText("format");
    if (format.toInt() > FormatVersion)
        throw StoreError(HistoryUnreadable,
                         QStringLiteral("The history '%1' was made by a newer editor (format %2).")
                             .arg(QDir::toNativeSeparators(path()), format));
    // A history goes with its database by the file's name (the two move together), and one in
    // the user's folder by its full path as well.
    const QString madeFor = metaText("database");
    const QString madeAt = metaText("path");
    const bool other = m_place.beside ? madeFor != QFileInfo(m_database).fileName()
                                      : madeAt != m_database;
    if (other)
        throw StoreError(HistoryOtherDatabase,
                         QStringLiteral("The history '%1' was made for another database ('%2'), "
                                        "not for '%3'; it is left as it is and nothing is "
                                        "recorded in it.")
                             .arg(QDir::toNativeSeparators(path()), QDir::toNativeSeparators(madeAt),
                                  QDir::toNativeSeparators(m_database)));
}

void HistoryFile::attachData() {
    if (m_dataAttached)
        return;
    QUrl url = QUrl::fromLocalFile(m_database);
    url.setQuery(QStringLiteral("mode=ro"));
    Stmt attach(m_db, "ATTACH DATABASE ? AS data");
    attach.bind(url.toString(QUrl::FullyEncoded));
    attach.run();
    m_dataAttached = true;
}

void HistoryFile::detachData() noexcept {
    if (m_dataAttached)
        sqlite3_exec(m_db, "DETACH DATABASE data", nullptr, nullptr, nullptr);
    m_dataAttached = false;
}

QString HistoryFile::metaText(const char* key) {
    Stmt read(m_db, "SELECT Value FROM Meta WHERE Key = ?");
    read.bind(QString::fromLatin1(key));
    QString value;
    if (read.next())
        value = read.text(0);
    read.finish();
    return value;
}

void HistoryFile::setMeta(const char* key, const QVariant& value) {
    Stmt write(m_db, "INSERT OR REPLACE INTO Meta(Key, Value) VALUES (?, ?)");
    write.bind(QString::fromLatin1(key)).bind(value);
    write.run();
}

namespace {

/// The description of an item in the state, for the records of that moment.
class StateDescriptions {
public:
    explicit StateDescriptions(sqlite3* db)
        : m_read(db, "SELECT ItemDesc FROM StateItem WHERE ItemID = ?") {}
    std::optional<QString> of(const QString& id) {
        const auto known = m_cache.constFind(id);
        if (known != m_cache.cend())
            return *known;
        m_read.bind(id);
        std::optional<QString> description;
        if (m_read.next())
            description = m_read.optionalText(0);
        m_read.finish();
        m_cache.insert(id, description);
        return description;
    }

private:
    Stmt m_read;
    QHash<QString, std::optional<QString>> m_cache;
};

/// Writes one change set and its rows; returns its id.
qint64 insertSet(sqlite3* db, bool pending, qint64 time, const QVariant& notBefore, int source,
                 const WriteCommand& command, const std::vector<RowRecord>& rows,
                 const QVariant& counter = {}) {
    Stmt set(db, "INSERT INTO ChangeSet(Pending, Time, NotBefore, Person, Host, Session, Source,"
                 " Program, Command, Reason, Counter) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const bool own = source != ProgramSource;
    set.bind(pending ? 1 : 0).bind(time).bind(notBefore);
    set.bind(own ? QVariant(systemUserName()) : QVariant());
    set.bind(own ? QVariant(QSysInfo::machineHostName()) : QVariant());
    set.bind(own ? QVariant(editorSessionName()) : QVariant());
    set.bind(source);
    set.bind(own ? QVariant(sessionApplicationName()) : QVariant());
    set.bind(command.name.isEmpty() ? QVariant() : QVariant(command.name));
    set.bind(command.reason.isEmpty() ? QVariant() : QVariant(command.reason));
    set.bind(counter);
    set.run();
    const qint64 id = sqlite3_last_insert_rowid(db);
    StateDescriptions descriptions(db);
    Stmt row(db, "INSERT INTO RowChange(SetId, Tbl, Key, Component, OldExists, OldA, OldB,"
                 " NewExists, NewA, NewB, KeyDesc, ComponentDesc)"
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const RowRecord& change : rows) {
        row.bind(id).bind(change.table).bind(change.key).bind(change.component);
        const bool line = change.table == LineTable;
        for (const RowImage* image : {&change.before, &change.after}) {
            row.bind(image->exists ? 1 : 0);
            row.bind(line ? image->quantity : asVariant(image->description));
            row.bind(line ? image->startDate : asVariant(image->unit));
        }
        if (line) {
            row.bind(asVariant(descriptions.of(change.key)));
            row.bind(asVariant(descriptions.of(change.component)));
        } else {
            row.bind(asVariant(change.after.exists ? change.after.description
                                                   : change.before.description));
            row.bind(QVariant());
        }
        row.run();
    }
    return id;
}

/// Moves the state on by these rows' after images.
void applyToState(sqlite3* db, const std::vector<RowRecord>& rows) {
    Stmt putLine(db, "INSERT OR REPLACE INTO StateLine VALUES (?, ?, ?, ?)");
    Stmt dropLine(db, "DELETE FROM StateLine WHERE BomID = ? AND BomComp = ?");
    Stmt putItem(db, "INSERT OR REPLACE INTO StateItem VALUES (?, ?, ?)");
    Stmt dropItem(db, "DELETE FROM StateItem WHERE ItemID = ?");
    for (const RowRecord& change : rows) {
        if (change.table == LineTable) {
            if (change.after.exists) {
                putLine.bind(change.key).bind(change.component).bind(change.after.quantity)
                    .bind(change.after.startDate);
                putLine.run();
            } else {
                dropLine.bind(change.key).bind(change.component);
                dropLine.run();
            }
        } else if (change.after.exists) {
            putItem.bind(change.key).bind(asVariant(change.after.description))
                .bind(asVariant(change.after.unit));
            putItem.run();
        } else {
            dropItem.bind(change.key);
            dropItem.run();
        }
    }
}

/// A row of the data or the state by its exact key, as a RowImage; absent for none.
class RowReader {
public:
    RowReader(sqlite3* db, const char* lineSql, const char* itemSql)
        : m_line(db, lineSql), m_item(db, itemSql) {}
    RowImage line(const LineKey& key) {
        m_line.bind(key.first).bind(key.second);
        RowImage image;
        if (m_line.next())
            image = RowImage{true, m_line.value(0), m_line.value(1), std::nullopt, std::nullopt};
        m_line.finish();
        return image;
    }
    /// A line's row, or an item's (`component` unused).
    RowImage row(int table, const QString& key, const QString& component) {
        return table == LineTable ? line({key, component}) : item(key);
    }
    RowImage item(const QString& id) {
        m_item.bind(id);
        RowImage image;
        if (m_item.next())
            image = RowImage{true, {}, {}, m_item.optionalText(0), m_item.optionalText(1)};
        m_item.finish();
        return image;
    }

private:
    Stmt m_line;
    Stmt m_item;
};

/// The data's rows by their exact key (the data attached as "data").
RowReader dataRows(sqlite3* db) {
    return RowReader(db,
                     "SELECT bomQtyReq, StartDate FROM data.BomDetail WHERE BomID = ?1"
                     " AND BomComp = ?2 AND BomID = ?1 COLLATE BINARY"
                     " AND BomComp = ?2 COLLATE BINARY",
                     "SELECT ItemDesc, ItemUom FROM data.ItemMaster WHERE ItemID = ?1"
                     " AND ItemID = ?1 COLLATE BINARY");
}

RowReader stateRows(sqlite3* db) {
    return RowReader(db, "SELECT bomQtyReq, StartDate FROM StateLine WHERE BomID = ? AND BomComp = ?",
                     "SELECT ItemDesc, ItemUom FROM StateItem WHERE ItemID = ?");
}

/// Completes the pending change set `set` of these rows. Where the recorded state of a line is
/// not what the write found, another program changed it unseen since the last look: that
/// change is recorded first, as theirs, and the set moves after it, so that the history
/// names each row's values in the order they were written. Then the state moves on.
void completeSet(sqlite3* db, qint64 set, const std::vector<RowRecord>& rows, qint64 lastLook,
                 std::optional<qint64> time = std::nullopt) {
    std::vector<RowRecord> unseen;
    {
        RowReader state = stateRows(db);
        for (const RowRecord& change : rows) {
            const RowImage stored = state.row(change.table, change.key, change.component);
            if (!sameRow(change.table, change.before, stored))
                unseen.push_back({change.table, change.key, change.component, stored, change.before});
        }
    }
    if (!unseen.empty()) {
        insertSet(db, false, nowMs(), QVariant(lastLook), ProgramSource, {}, unseen);
        applyToState(db, unseen);
        Stmt last(db, "SELECT max(Id) + 1 FROM ChangeSet");
        last.next();
        const qint64 moved = last.integer(0);
        last.finish();
        Stmt moveSet(db, "UPDATE ChangeSet SET Id = ? WHERE Id = ?");
        moveSet.bind(moved).bind(set);
        moveSet.run();
        Stmt moveRows(db, "UPDATE RowChange SET SetId = ? WHERE SetId = ?");
        moveRows.bind(moved).bind(set);
        moveRows.run();
        set = moved;
    }
    Stmt done(db, "UPDATE ChangeSet SET Pending = 0, Time = ? WHERE Id = ?");
    done.bind(time.value_or(nowMs())).bind(set);
    done.run();
    applyToState(db, rows);
}

RowImage itemImage(const std::optional<Item>& item) {
    if (!item)
        return {};
    return RowImage{true, {}, {}, item->description, item->unit};
}

/// The items first, so that the lines' descriptions are those of the items written with them.
std::vector<RowRecord> rowRecords(const std::vector<LineChange>& changes,
                                  const std::vector<ItemChange>& items) {
    std::vector<RowRecord> rows;
    rows.reserve(items.size() + changes.size());
    for (const ItemChange& change : items) {
        const Item& key = change.after ? *change.after : *change.before;
        rows.push_back({ItemTable, key.id, QString(), itemImage(change.before),
                        itemImage(change.after)});
    }
    for (const LineChange& change : changes) {
        const LineRow& key = change.after ? *change.after : *change.before;
        rows.push_back({LineTable, key.assembly, key.component, lineImage(change.before),
                        lineImage(change.after)});
    }
    return rows;
}

} // namespace

void HistoryFile::writePending(const WriteCommand& command, const std::vector<LineChange>& changes,
                               const std::vector<ItemChange>& items) {
    try {
        auto pending = std::make_unique<Pending>();
        pending->command = command;
        pending->rows = rowRecords(changes, items);
        if (const std::optional<quint32> counter = ownCommitUnderWay(fileKey(m_database)))
            pending->counter = qint64(*counter);
        exec("BEGIN IMMEDIATE");
        try {
            pending->set = insertSet(m_db, true, nowMs(), QVariant(),
                                     command.restore ? RestoreSource : EditorSource,
                                     command, pending->rows, pending->counter);
            exec("COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        step("pending");
        // Held until the data's commit is done and recorded, so that records complete in the
        // order the data took them.
        exec("BEGIN IMMEDIATE");
        pending->locked = true;
        m_pending = std::move(pending);
        step("locked");
    } catch (const StoreError& error) {
        throw StoreError(HistoryNotRecorded,
                         QStringLiteral("The change was not made: it could not be recorded in the "
                                        "history (%1). Turn the history off in the settings to "
                                        "edit without it.")
                             .arg(error.message()));
    }
}

void HistoryFile::complete() noexcept {
    if (!m_pending)
        return;
    step("committed");
    try {
        Stmt state(m_db, "SELECT Pending FROM ChangeSet WHERE Id = ?");
        state.bind(m_pending->set);
        const std::optional<qint64> pending =
            state.next() ? std::optional<qint64>(state.integer(0)) : std::nullopt;
        state.finish();
        if (!pending) // dropped as stale by another editor's look: recorded again
            m_pending->set = insertSet(m_db, true, nowMs(), QVariant(),
                                       m_pending->command.restore ? RestoreSource : EditorSource,
                                       m_pending->command, m_pending->rows, m_pending->counter);
        if (pending.value_or(1) != 0)
            completeSet(m_db, m_pending->set, m_pending->rows, metaText("checked").toLongLong());
        exec("COMMIT");
        step("completed");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_pending.reset();
}

void HistoryFile::drop() noexcept {
    if (!m_pending)
        return;
    try {
        Stmt rows(m_db, "DELETE FROM RowChange WHERE SetId = ?");
        rows.bind(m_pending->set);
        rows.run();
        Stmt set(m_db, "DELETE FROM ChangeSet WHERE Id = ?");
        set.bind(m_pending->set);
        set.run();
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_pending.reset();
}

namespace {

/// The keys of the rows that differ between the data and the recorded state.
struct Differences {
    QSet<LineKey> lines;
    QSet<QString> items;
    bool isEmpty() const { return lines.isEmpty() && items.isEmpty(); }
};

/// Rows a read of the shared file takes at most before it ends: another program's commit, which
/// with a rollback journal waits for every reader, waits for one window at most (a few
/// milliseconds), never for the whole table.
constexpr int ScanWindow = 20'000;

/// One table's rows in windows of ScanWindow, each read in a transaction of its own: `bound`
/// reads where a window ends (given where the last ended and the window's size), `last` the
/// table's last key, and `differing` the rows of one window that differ (given its bounds).
/// A key is a row number or the state's key; the first window starts below every key there is
/// (a number is less than every text and blob).
struct Windows {
    const char* bound;
    const char* last;
    const char* differing;
    int keyColumns;
};

template <typename Add>
void inWindows(sqlite3* db, const Windows& windows, Add add) {
    Stmt bound(db, windows.bound);
    Stmt last(db, windows.last);
    Stmt differing(db, windows.differing);
    QVariantList after;
    for (int column = 0; column < windows.keyColumns; ++column)
        after.append(QVariant(std::numeric_limits<qint64>::min()));
    for (bool more = true; more;) {
        if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(HistoryUnreadable, QStringLiteral("Could not read the history"), db);
        try {
            QVariantList upTo;
            for (const QVariant& value : std::as_const(after))
                bound.bind(value);
            bound.bind(ScanWindow - 1);
            if (bound.next())
                for (int column = 0; column < windows.keyColumns; ++column)
                    upTo.append(bound.value(column));
            bound.finish();
            if (upTo.isEmpty()) {
                more = false;
                if (last.next())
                    for (int column = 0; column < windows.keyColumns; ++column)
                        upTo.append(last.value(column));
                last.finish();
            }
            if (!upTo.isEmpty()) {
                for (const QVariantList* bounds : {&after, &upTo})
                    for (const QVariant& value : *bounds)
                        differing.bind(value);
                while (differing.next())
                    add(differing);
            }
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            after = upTo;
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

/// Both tables against the state, window by window (inWindows) and without the history's
/// write lock: neither another program's write nor an editor's waits for the whole scan, and
/// the memory it takes is that of the rows found. A commit during it is found by the next
/// look, which the moved counter or signature asks for.
Differences scan(sqlite3* db) {
    Differences found;
    const auto line = [&found](Stmt& rows) { found.lines.insert({rows.text(0), rows.text(1)}); };
    const auto item = [&found](Stmt& rows) { found.items.insert(rows.text(0)); };
    // The data by row number, its own order; the state by its key.
    inWindows(db,
              {"SELECT rowid FROM data.BomDetail WHERE rowid > ? ORDER BY rowid LIMIT 1 OFFSET ?",
               "SELECT max(rowid) FROM data.BomDetail",
               "SELECT d.BomID, d.BomComp FROM data.BomDetail d"
               // By the state's exact key: one look-up in its primary key a row.
               " LEFT JOIN StateLine s ON s.BomID = d.BomID COLLATE BINARY"
               " AND s.BomComp = d.BomComp COLLATE BINARY"
               " WHERE d.rowid > ?1 AND d.rowid <= ?2"
               " AND (s.BomID IS NULL OR s.bomQtyReq IS NOT d.bomQtyReq"
               " OR s.StartDate IS NOT d.StartDate)",
               1},
              line);
    inWindows(db,
              {"SELECT BomID, BomComp FROM StateLine WHERE (BomID, BomComp) > (?, ?)"
               " ORDER BY BomID, BomComp LIMIT 1 OFFSET ?",
               "SELECT BomID, BomComp FROM StateLine ORDER BY BomID DESC, BomComp DESC LIMIT 1",
               "SELECT s.BomID, s.BomComp FROM StateLine s"
               " WHERE (s.BomID, s.BomComp) > (?1, ?2) AND (s.BomID, s.BomComp) <= (?3, ?4)"
               " AND NOT EXISTS (SELECT 1 FROM data.BomDetail d"
               " WHERE d.BomID = s.BomID AND d.BomComp = s.BomComp"
               " AND d.BomID = s.BomID COLLATE BINARY"
               " AND d.BomComp = s.BomComp COLLATE BINARY)",
               2},
              line);
    inWindows(db,
              {"SELECT rowid FROM data.ItemMaster WHERE rowid > ? ORDER BY rowid LIMIT 1 OFFSET ?",
               "SELECT max(rowid) FROM data.ItemMaster",
               "SELECT d.ItemID FROM data.ItemMaster d"
               " LEFT JOIN StateItem s ON s.ItemID = d.ItemID COLLATE BINARY"
               " WHERE d.rowid > ?1 AND d.rowid <= ?2"
               " AND (s.ItemID IS NULL OR s.ItemDesc IS NOT d.ItemDesc"
               " OR s.ItemUom IS NOT d.ItemUom)",
               1},
              item);
    inWindows(db,
              {"SELECT ItemID FROM StateItem WHERE ItemID > ? ORDER BY ItemID LIMIT 1 OFFSET ?",
               "SELECT max(ItemID) FROM StateItem",
               "SELECT s.ItemID FROM StateItem s WHERE s.ItemID > ?1 AND s.ItemID <= ?2"
               " AND NOT EXISTS (SELECT 1 FROM data.ItemMaster d WHERE d.ItemID = s.ItemID"
               " AND d.ItemID = s.ItemID COLLATE BINARY)",
               1},
              item);
    return found;
}

} // namespace

namespace {

/// How the data file and its write-ahead log look from outside (file, size, time of the last
/// write, to the nanosecond): every commit changes one of them. `settled` when neither was
/// written in the last two seconds, so that a commit within the same tick of a coarse clock
/// cannot hide behind an unchanged time.
QString dataSignature(const QString& path, bool& settled) {
    QString signature;
    settled = true;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const QString& file : {path, path + QStringLiteral("-wal")}) {
        struct stat info {};
        if (::stat(QFile::encodeName(file).constData(), &info) != 0) {
            signature += QStringLiteral("-|");
            continue;
        }
        const qint64 written = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
        settled = settled && now - written > 2000;
        signature += QStringLiteral("%1:%2:%3:%4.%5|")
                         .arg(info.st_dev)
                         .arg(info.st_ino)
                         .arg(info.st_size)
                         .arg(info.st_mtim.tv_sec)
                         .arg(info.st_mtim.tv_nsec);
    }
    return signature;
}

} // namespace

std::optional<quint32> HistoryFile::dataCounter() {
    exec("BEGIN");
    std::optional<quint32> counter;
    try {
        // Any read of the data takes the file's read lock, under which its header is whole.
        Stmt read(m_db, "PRAGMA data.schema_version");
        read.next();
        read.finish();
        counter = changeCounter(m_db, "data");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    exec("COMMIT");
    return counter;
}

bool HistoryFile::editorsCommitted(quint32 from, quint32 to, bool underWay) {
    const quint32 steps = to - from;
    if (steps == 0)
        return true;
    if (steps > 100'000)
        return false;
    // Each editor's commit took one step; the steps counted from `from`, so that a counter
    // that wrapped at 2^32 still counts.
    Stmt count(m_db, "SELECT count(DISTINCT (Counter - ?1) & 4294967295) FROM ChangeSet"
                     " WHERE Pending <= ?3 AND Counter IS NOT NULL"
                     " AND ((Counter - ?1) & 4294967295) < ?2");
    count.bind(qint64(from)).bind(qint64(steps)).bind(underWay ? 1 : 0);
    const qint64 found = count.next() ? count.integer(0) : 0;
    count.finish();
    return found == qint64(steps);
}

qint64 HistoryFile::catchUp() {
    // Nothing was committed since the last look, and no write is pending: nothing to read.
    // A file that has 5,000,000 lines is compared only when it has changed.
    bool settled = false;
    const QString signature = dataSignature(m_database, settled);
    if (settled && signature == metaText("signature")) {
        Stmt pending(m_db, "SELECT 1 FROM ChangeSet WHERE Pending = 1 LIMIT 1");
        const bool any = pending.next();
        pending.finish();
        if (!any) {
            foldLog();
            return 0;
        }
    }
    attachData();
    try {
        // Read before anything else: a commit after it moves it on, and the next look reads
        // again.
        const std::optional<quint32> counter = dataCounter();
        // Killed writes settled first; then, when every commit since the last look was an
        // editor's (each recorded with the step it took), the history holds what the data
        // does, and nothing is read.
        const QString lastCounter = metaText("counter");
        if (counter && !lastCounter.isEmpty()) {
            exec("BEGIN");
            try {
                setMeta("looking", nowMs());
                const qint64 now = nowMs();
                const QSet<LineKey> inFlight = settlePending(now, metaText("checked").toLongLong(), counter);
                const bool editors =
                    inFlight.isEmpty() && editorsCommitted(quint32(lastCounter.toLongLong()), *counter);
                if (editors) {
                    setMeta("checked", now);
                    setMeta("counter", qint64(*counter));
                    setMeta("signature", settled ? signature : QString());
                }
                exec("COMMIT");
                if (editors) {
                    detachData();
                    foldLog();
                    return 0;
                }
            } catch (...) {
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
        }
        Differences found = scan(m_db);
        // The record, under the history's lock: a deferred transaction whose first statement
        // writes the history alone, the data only read in it.
        exec("BEGIN");
        try {
            setMeta("looking", nowMs());
            const qint64 now = nowMs();
            const qint64 lastLook = metaText("checked").toLongLong();
            QSet<LineKey> inFlight = settlePending(now, lastLook, counter);
            for (const LineKey& key : std::as_const(inFlight))
                found.lines.remove(key);
            // Each row found is read again: an editor's write may have completed since the
            // scan, and a row may have changed once more.
            std::vector<RowRecord> records;
            {
                RowReader data = dataRows(m_db);
                RowReader state = stateRows(m_db);
                for (const QString& id : std::as_const(found.items)) {
                    const RowImage before = state.item(id);
                    const RowImage after = data.item(id);
                    if (!sameItem(before, after))
                        records.push_back({ItemTable, id, QString(), before, after});
                }
                // Items first, so that the lines' descriptions are those the items have now.
                applyToState(m_db, records);
                std::vector<LineKey> lines(found.lines.cbegin(), found.lines.cend());
                std::sort(lines.begin(), lines.end());
                for (const LineKey& key : lines) {
                    const RowImage before = state.line(key);
                    const RowImage after = data.line(key);
                    if (!sameLine(before, after))
                        records.push_back({LineTable, key.first, key.second, before, after});
                }
            }
            if (!records.empty()) {
                insertSet(m_db, false, now, QVariant(lastLook), ProgramSource, {}, records);
                applyToState(m_db, records);
            }
            setMeta("checked", now);
            // Taken before the scan: a commit during it makes the next look read again.
            setMeta("signature", settled ? signature : QString());
            setMeta("counter", counter ? QVariant(qint64(*counter)) : QVariant());
            exec("COMMIT");
            detachData();
            foldLog();
            return qint64(records.size());
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (...) {
        detachData();
        throw;
    }
}

QSet<QPair<QString, QString>> HistoryFile::settlePending(qint64 now, qint64 lastLook,
                                                        std::optional<quint32> counter) {
    QSet<LineKey> inFlight;
    Stmt sets(m_db, "SELECT Id, Time, Counter FROM ChangeSet WHERE Pending = 1 ORDER BY Id");
    struct PendingSet {
        qint64 id;
        qint64 time;
        QVariant counter;
    };
    std::vector<PendingSet> pendingSets;
    while (sets.next())
        pendingSets.push_back({sets.integer(0), sets.integer(1), sets.value(2)});
    if (pendingSets.empty())
        return inFlight;
    Stmt rows(m_db, "SELECT Tbl, Key, Component, OldExists, OldA, OldB, NewExists, NewA,"
                    " NewB FROM RowChange WHERE SetId = ?");
    RowReader data = dataRows(m_db);
    Stmt dropRows(m_db, "DELETE FROM RowChange WHERE SetId = ?");
    Stmt dropSet(m_db, "DELETE FROM ChangeSet WHERE Id = ?");
    Stmt claimed(m_db, "SELECT 1 FROM ChangeSet WHERE Counter = ? AND Id <> ? LIMIT 1");
    for (const PendingSet& set : pendingSets) {
        std::vector<RowRecord> records;
        rows.bind(set.id);
        // An item's two values are its description and unit.
        const auto image = [&](int table, int exists, int a, int b) {
            if (table == LineTable)
                return RowImage{rows.integer(exists) != 0, rows.value(a), rows.value(b),
                                std::nullopt, std::nullopt};
            const auto text = [&](int column) {
                return rows.value(column).isNull() ? std::nullopt
                                                   : std::optional(rows.value(column).toString());
            };
            return RowImage{rows.integer(exists) != 0, {}, {}, text(a), text(b)};
        };
        while (rows.next()) {
            const int table = int(rows.integer(0));
            records.push_back({table, rows.text(1), rows.text(2), image(table, 3, 4, 5),
                               image(table, 6, 7, 8)});
        }
        // A commit was made at the step the write held the lock for (the data's counter has
        // moved past it) and no other editor's write says it was its own: its lines then hold
        // its after images, or what a later writer made of them, unless they hold the images
        // from before it. (A write killed before its commit, whose step another program then
        // took to change the same lines, cannot be told from it.)
        bool stepTaken = counter && !set.counter.isNull() &&
                         *counter != quint32(set.counter.toLongLong());
        if (stepTaken) {
            claimed.bind(set.counter).bind(set.id);
            stepTaken = !claimed.next();
            claimed.finish();
        }
        bool asBefore = true;
        bool asAfterOrLater = true;
        for (const RowRecord& record : records) {
            const RowImage held = data.row(record.table, record.key, record.component);
            const bool after = sameRow(record.table, record.after, held);
            const bool before = sameRow(record.table, record.before, held);
            asBefore = asBefore && before;
            asAfterOrLater = asAfterOrLater && (after || (stepTaken && !before));
        }
        if (asAfterOrLater && !asBefore) {
            // Its writer committed and was killed before it could say so: the editor's change,
            // with its command and the time it was made. What a later writer did to its lines
            // is found below, after it.
            completeSet(m_db, set.id, records, lastLook, set.time);
        } else if (asBefore && now - set.time < InFlightMs) {
            // Under way in another editor: its lines are its to record.
            for (const RowRecord& record : records)
                inFlight.insert({record.key, record.component});
        } else {
            // It never committed; whatever the rows hold now is found below as it is.
            dropRows.bind(set.id);
            dropRows.run();
            dropSet.bind(set.id);
            dropSet.run();
        }
    }
    return inFlight;
}

namespace {

ChangeSource sourceOf(int stored, const QString& session) {
    switch (stored) {
    case EditorSource:
        return session == editorSessionName() ? ChangeSource::ThisEditor
                                              : ChangeSource::AnotherEditor;
    case RestoreSource:
        return ChangeSource::Restore;
    default:
        return ChangeSource::AnotherProgram;
    }
}

QDateTime utc(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

} // namespace

std::vector<ChangeRecord> HistoryFile::changes(const HistoryQuery& query) {
    QString sql = QStringLiteral(
        "SELECT s.Id, s.Time, s.NotBefore, s.Person, s.Host, s.Session, s.Source, s.Program,"
        " s.Command, s.Reason, r.Tbl, r.Key, r.Component, r.OldExists, r.OldA, r.OldB,"
        " r.NewExists, r.NewA, r.NewB, r.KeyDesc, r.ComponentDesc,"
        " (SELECT p.Time FROM ChangeSet p WHERE p.Id < s.Id AND p.Pending = 0"
        " ORDER BY p.Id DESC LIMIT 1) > s.Time"
        " FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId WHERE s.Pending = 0");
    QVariantList values;
    if (!query.assemblies.isEmpty()) {
        exec("CREATE TEMP TABLE IF NOT EXISTS Wanted(Key TEXT PRIMARY KEY COLLATE NOCASE);"
             "DELETE FROM temp.Wanted");
        Stmt want(m_db, "INSERT OR IGNORE INTO temp.Wanted VALUES (?)");
        for (const QString& assembly : query.assemblies) {
            want.bind(assembly);
            want.run();
        }
        sql += QStringLiteral(" AND r.Key COLLATE NOCASE IN (SELECT Key FROM temp.Wanted)");
        if (!query.component.isEmpty()) {
            sql += QStringLiteral(" AND r.Tbl = 0 AND r.Component = ? COLLATE NOCASE");
            values << query.component;
        }
    }
    if (!query.item.isEmpty()) {
        sql += QStringLiteral(" AND (r.Key = ? COLLATE NOCASE OR r.Component = ? COLLATE NOCASE)");
        values << query.item << query.item;
    }
    if (query.since) {
        sql += QStringLiteral(" AND s.Time >= ?");
        values << query.since->toMSecsSinceEpoch();
    }
    if (query.until) {
        sql += QStringLiteral(" AND s.Time <= ?");
        values << query.until->toMSecsSinceEpoch();
    }
    if (query.changeSet) {
        sql += QStringLiteral(" AND s.Id = ?");
        values << *query.changeSet;
    }
    if (!query.person.isEmpty()) {
        sql += QStringLiteral(" AND s.Person = ?");
        values << query.person;
    }
    if (query.source) {
        switch (*query.source) {
        case ChangeSource::ThisEditor:
            sql += QStringLiteral(" AND s.Source = 0 AND s.Session = ?");
            values << editorSessionName();
            break;
        case ChangeSource::AnotherEditor:
            sql += QStringLiteral(" AND s.Source = 0 AND s.Session IS NOT ?");
            values << editorSessionName();
            break;
        case ChangeSource::AnotherProgram:
            sql += QStringLiteral(" AND s.Source = 1");
            break;
        case ChangeSource::Restore:
            sql += QStringLiteral(" AND s.Source = 2");
            break;
        }
    }
    sql += QStringLiteral(" ORDER BY s.Id DESC, r.rowid LIMIT ?");
    values << query.limit;

    const QByteArray text = sql.toUtf8();
    Stmt read(m_db, text.constData());
    for (const QVariant& value : values)
        read.bind(value);
    std::vector<ChangeRecord> records;
    while (read.next()) {
        ChangeRecord record;
        record.changeSet = read.integer(0);
        record.time = utc(read.integer(1));
        if (!read.value(2).isNull())
            record.notBefore = utc(read.integer(2));
        record.person = read.text(3);
        record.host = read.text(4);
        record.source = sourceOf(int(read.integer(6)), read.text(5));
        record.program = read.text(7);
        record.command = read.text(8);
        record.reason = read.text(9);
        const bool line = read.integer(10) == LineTable;
        record.table = line ? schema::BomDetail : schema::ItemMaster;
        record.key = read.text(11);
        record.component = read.text(12);
        for (auto [image, at] : {std::pair{&record.before, 13}, std::pair{&record.after, 16}}) {
            image->exists = read.integer(at) != 0;
            if (line) {
                image->quantity = read.value(at + 1);
                image->startDate = read.value(at + 2);
            } else {
                image->description = read.optionalText(at + 1);
                image->unit = read.optionalText(at + 2);
            }
        }
        record.keyDescription = read.optionalText(19);
        record.componentDescription = read.optionalText(20);
        record.timeBackwards = read.integer(21) != 0;
        records.push_back(std::move(record));
    }
    return records;
}

qint64 HistoryFile::changeCount() {
    Stmt count(m_db, "SELECT count(*) FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId"
                     " WHERE s.Pending = 0");
    qint64 n = 0;
    if (count.next())
        n = count.integer(0);
    count.finish();
    return n;
}

qint64 HistoryFile::lastSetAt(qint64 at) {
    // Every editor's clock is its own: the history's order is that of its commits (the change
    // sets' ids), and a moment ends the run of change sets recorded at or before it, at the
    // first one dated after it. A change dated past this clock's now was made already: it is
    // taken as made right after the one before it, so that "now" holds every change, however
    // far ahead another desk's clock had dated one.
    const qint64 now = nowMs();
    Stmt read(m_db, at >= now
                        ? "SELECT coalesce(max(Id), 0) FROM ChangeSet"
                        : "SELECT coalesce((SELECT min(Id) - 1 FROM ChangeSet WHERE Pending = 0"
                          " AND Time > ?1 AND Time <= ?2), (SELECT max(Id) FROM ChangeSet), 0)");
    if (at < now)
        read.bind(at).bind(now);
    const qint64 last = read.next() ? read.integer(0) : 0;
    read.finish();
    return last;
}

qint64 HistoryFile::forgetBefore(const QDateTime& moment, const ReadProgress& progress) {
    const qint64 cut = moment.toMSecsSinceEpoch();
    // The change sets before the moment in the history's order: those up to the last one
    // recorded before it; all of them before this clock's now.
    const qint64 through = lastSetAt(cut >= nowMs() ? cut : cut - 1);
    qint64 total = 0;
    {
        Stmt count(m_db, "SELECT count(*) FROM RowChange r JOIN ChangeSet s ON s.Id = r.SetId"
                         " WHERE s.Pending = 0 AND s.Id <= ?");
        count.bind(through);
        if (count.next())
            total = count.integer(0);
        count.finish();
    }
    qint64 done = 0;
    // Oldest first, a piece per transaction: an editor's write waits for one piece at most,
    // and a stop leaves a history that is whole from where it stopped: from the latest time
    // among those forgotten, at which every one of them had been made.
    for (;;) {
        exec("BEGIN IMMEDIATE");
        qint64 forgotten = 0;
        qint64 latest = std::numeric_limits<qint64>::min();
        try {
            Stmt oldest(m_db, "SELECT Id, Time FROM ChangeSet WHERE Pending = 0 AND Id <= ?"
                              " ORDER BY Id LIMIT 500");
            oldest.bind(through);
            std::vector<qint64> sets;
            while (oldest.next()) {
                sets.push_back(oldest.integer(0));
                latest = std::max(latest, oldest.integer(1));
            }
            Stmt rows(m_db, "DELETE FROM RowChange WHERE SetId = ?");
            Stmt set(m_db, "DELETE FROM ChangeSet WHERE Id = ?");
            for (const qint64 id : sets) {
                rows.bind(id);
                rows.run();
                forgotten += sqlite3_changes(m_db);
                set.bind(id);
                set.run();
            }
            // Never later than the moment asked for: a change dated ahead by another desk's
            // clock is not "made" after it.
            const qint64 since = metaText("since").toLongLong();
            if (!sets.empty() && std::min(latest, cut) > since)
                setMeta("since", std::min(latest, cut));
            if (sets.empty() && cut > since)
                setMeta("since", cut);
            exec("COMMIT");
            if (sets.empty())
                break;
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        done += forgotten;
        if (progress && !progress(done, total))
            break;
    }
    return done;
}

QDateTime HistoryFile::keptSince() {
    return utc(metaText("since").toLongLong());
}

LinesAsOf HistoryFile::linesAsOf(const QString& item, const QDateTime& moment) {
    const qint64 at = moment.toMSecsSinceEpoch();
    if (at < metaText("since").toLongLong())
        throw StoreError(HistoryTooOld,
                         QStringLiteral("The history holds no changes before %1: %2 cannot be "
                                        "rebuilt.")
                             .arg(QLocale().toString(keptSince().toLocalTime(), QLocale::ShortFormat),
                                  QLocale().toString(moment.toLocalTime(), QLocale::ShortFormat)));
    exec("BEGIN");
    try {
        // Every row changed after the moment, with its first change after it: the row it held
        // then. Usually few beside the lines kept.
        QHash<QString, QHash<LineKey, RowImage>> linesThen; // by folded assembly
        QHash<QString, RowImage> itemsThen;                  // by exact item ID
        {
            // From the change sets after the moment, in the history's order, to their rows.
            Stmt later(m_db, "SELECT r.Tbl, r.Key, r.Component, r.OldExists, r.OldA, r.OldB"
                             " FROM ChangeSet s CROSS JOIN RowChange r ON r.SetId = s.Id"
                             " WHERE s.Pending = 0 AND s.Id > ? ORDER BY s.Id DESC, r.rowid DESC");
            later.bind(lastSetAt(at));
            while (later.next()) {
                // Newest first: each older change overwrites, so the first after the moment wins.
                const bool line = later.integer(0) == LineTable;
                RowImage then{later.integer(3) != 0, {}, {}, std::nullopt, std::nullopt};
                if (line) {
                    then.quantity = later.value(4);
                    then.startDate = later.value(5);
                    linesThen[foldKey(later.text(1))].insert({later.text(1), later.text(2)}, then);
                } else {
                    then.description = later.optionalText(4);
                    then.unit = later.optionalText(5);
                    itemsThen.insert(later.text(1), then);
                }
            }
        }
        Stmt lines(m_db, "SELECT BomID, BomComp, bomQtyReq, StartDate FROM StateLine"
                         " WHERE BomID = ? COLLATE NOCASE");
        Stmt itemNow(m_db, "SELECT ItemID, ItemDesc, ItemUom FROM StateItem"
                           " WHERE ItemID = ? COLLATE NOCASE");
        QHash<QString, std::optional<Item>> items; // by folded ID, as of the moment
        const auto itemThen = [&](const QString& id) -> std::optional<Item> {
            const QString key = foldKey(id);
            const auto known = items.constFind(key);
            if (known != items.cend())
                return *known;
            std::optional<Item> found;
            itemNow.bind(id);
            while (itemNow.next()) {
                if (!itemsThen.contains(itemNow.text(0)))
                    found = Item{itemNow.text(0), itemNow.optionalText(1), itemNow.optionalText(2)};
            }
            for (auto then = itemsThen.cbegin(); then != itemsThen.cend(); ++then)
                if (foldKey(then.key()) == key && then->exists)
                    found = Item{then.key(), then->description, then->unit};
            items.insert(key, found);
            return found;
        };

        LinesAsOf result;
        QStringList level{item};
        QSet<QString> seen{foldKey(item)};
        while (!level.isEmpty()) {
            QStringList next;
            for (const QString& assembly : level) {
                const QString key = foldKey(assembly);
                // By folded component: its ID, quantity and start date.
                QMap<QString, std::tuple<QString, QVariant, QVariant>> components;
                const QHash<LineKey, RowImage> changed = linesThen.value(key);
                lines.bind(assembly);
                while (lines.next()) {
                    const LineKey line{lines.text(0), lines.text(1)};
                    if (!changed.contains(line))
                        components.insert(foldKey(line.second),
                                          {line.second, lines.value(2), lines.value(3)});
                }
                for (auto then = changed.cbegin(); then != changed.cend(); ++then)
                    if (then->exists)
                        components.insert(foldKey(then.key().second),
                                          {then.key().second, then->quantity, then->startDate});
                if (components.isEmpty())
                    continue;
                ComponentLines bill;
                for (const auto& [id, quantity, startDate] : std::as_const(components)) {
                    ComponentLine line;
                    line.id = id;
                    if (!startDate.isNull())
                        line.startDate = startDate.toString();
                    bool number = false;
                    const double value = quantity.toDouble(&number);
                    if (!quantity.isNull() && number)
                        line.quantity = value;
                    const std::optional<Item> component = itemThen(id);
                    line.inItemMaster = component.has_value();
                    if (component) {
                        line.description = component->description;
                        line.unit = component->unit;
                    }
                    bill.append(line);
                    if (!seen.contains(foldKey(id))) {
                        seen.insert(foldKey(id));
                        next.append(id);
                    }
                }
                result.insert(key, bill);
            }
            level = next;
        }
        exec("COMMIT");
        return result;
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

FileRecorder::~FileRecorder() {
    KeptHistories::instance().give(std::move(m_file));
}

void FileRecorder::pending(const WriteCommand& command, const std::vector<LineChange>& changes) {
    pendingRows(command, changes, {});
}

void FileRecorder::pendingRows(const WriteCommand& command, const std::vector<LineChange>& changes,
                               const std::vector<ItemChange>& items) {
    if (!m_file)
        m_file = KeptHistories::instance().take(QFileInfo(m_database).absoluteFilePath());
    if (!m_file) {
        try {
            m_file = std::make_unique<HistoryFile>(m_database);
        } catch (const StoreError& error) {
            throw StoreError(HistoryNotRecorded,
                             QStringLiteral("The change was not made: it could not be recorded in "
                                            "the history (%1). Turn the history off in the "
                                            "settings to edit without it.")
                                 .arg(error.message()));
        }
    }
    m_file->writePending(command, changes, items);
}

void FileRecorder::committed() {
    if (m_file)
        m_file->complete();
}

void FileRecorder::abandoned() {
    if (m_file)
        m_file->drop();
}

FileHistoryLog::FileHistoryLog(const QString& databasePath) : m_file(databasePath) {
    m_file.catchUp();
}

std::vector<ChangeRecord> FileHistoryLog::changes(const HistoryQuery& query) {
    return m_file.changes(query);
}

LinesAsOf FileHistoryLog::linesAsOf(const QString& item, const QDateTime& moment) {
    return m_file.linesAsOf(item, moment);
}

qint64 FileHistoryLog::changeCount() {
    return m_file.changeCount();
}

QDateTime FileHistoryLog::keptSince() {
    return m_file.keptSince();
}

qint64 FileHistoryLog::forgetBefore(const QDateTime& moment, const ReadProgress& progress) {
    return m_file.forgetBefore(moment, progress);
}

} // namespace store::history
