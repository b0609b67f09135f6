// The history file itself: where it is kept, opening it (checked once a process, set aside
// when damaged), creating its tables with the data's rows as the starting state, and what it
// says of itself (Meta): which database it was made for, by which format.

#include "store/sqlite/history/HistoryFile.h"

#include "store/StoreError.h"
#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"
#include "store/sqlite/history/OwnCommits.h"
#include "store/sqlite/history/PageMap.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include <sqlite3.h>
#include <sys/stat.h>

namespace store::history {

namespace {

constexpr int FormatVersion = 1;
constexpr int BusyWaitMs = 10'000;

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

/// Files whose integrity this process has checked already: once per file and process.
QMutex g_checkedLock;
QSet<QString> g_checked;

} // namespace

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

QString openablePath(const QString& path) {
    const QFileInfo file(path);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? file.absoluteFilePath() : folder + QLatin1Char('/') + file.fileName();
}

HistoryFile::HistoryFile(const QString& databasePath)
    : m_database(QFileInfo(databasePath).absoluteFilePath()), m_place(historyPlace(databasePath)) {
    open();
}

HistoryFile::~HistoryFile() {
    if (m_pending && m_pending->locked)
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

void HistoryFile::foldLog() noexcept {
    // The writes leave their log for a later connection to fold into the file; a look does it,
    // off the edits' way (the watcher looks after each commit), so that the file on its own
    // holds the history when it is copied or moved with its database.
    sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void HistoryFile::exec(QLatin1StringView sql) {
    if (sqlite3_exec(m_db, sql.data(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw StoreError(
            HistoryUnreadable,
            QCoreApplication::translate("store", "Could not write the history '%1': %2.")
                .arg(QDir::toNativeSeparators(path()), QString::fromUtf8(sqlite3_errmsg(m_db))));
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
                             QCoreApplication::translate(
                                 "store", "The history '%1' is a symbolic link; it is not "
                                          "used, so that no editor writes where the link "
                                          "points. Remove the link to keep the history there.")
                                 .arg(QDir::toNativeSeparators(file)));
    }
    const bool existed = QFileInfo::exists(path());
    if (!existed && !m_place.beside)
        QDir().mkpath(QFileInfo(path()).absolutePath());
    const QByteArray name = QFile::encodeName(openablePath(path()));
    // URIs for the data attached read-only; the history's own path is absolute, never one.
    if (sqlite3_open_v2(name.constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI |
                            SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        const QString text = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw StoreError(HistoryUnreadable, QCoreApplication::translate(
                                                "store", "Could not open the history '%1': %2.")
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
            if (sqlite3_exec(m_db, historyschema::QuickCheck.data(), nullptr, nullptr, nullptr) ==
                SQLITE_OK) {
                sql::NativeStatement quick = statement(m_db, historyschema::QuickCheck);
                if (quick.next())
                    verdict = quick.text(0);
                quick.clear();
            } else {
                verdict = QString::fromUtf8(sqlite3_errmsg(m_db));
            }
            if (verdict != QLatin1String("ok")) {
                sqlite3_close_v2(m_db);
                m_db = nullptr;
                const QString aside = setAside(path());
                throw StoreError(HistoryDamaged,
                                 QCoreApplication::translate(
                                     "store", "The history '%1' is damaged (%2); it was set aside "
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
        exec(historyschema::JournalWal);
        exec(historyschema::SynchronousNormal);
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
        m_opened = fileKey(path());
    } catch (const StoreError& error) {
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
        if (error.number() == HistoryUnreadable && existed &&
            QString(error.description()).contains(QLatin1String("not a database"))) {
            const QString aside = setAside(path());
            throw StoreError(
                HistoryDamaged,
                QCoreApplication::translate("store",
                                            "The history '%1' is not a history file; it was set "
                                            "aside as '%2'.")
                    .arg(QDir::toNativeSeparators(path()), QDir::toNativeSeparators(aside)));
        }
        throw;
    }
}

bool HistoryFile::reusable() const {
    return m_db && !m_pending && !m_opened.isEmpty() && fileKey(path()) == m_opened;
}

void HistoryFile::createTables() {
    {
        sql::NativeStatement made = statement(m_db, historyschema::HasMeta);
        const bool hasMeta = made.next();
        made.clear();
        if (hasMeta && !metaText("format").isEmpty())
            return;
        // A file of that name that holds tables of its own is somebody's database: never
        // taken over.
        sql::NativeStatement others = statement(m_db, historyschema::ForeignTable);
        if (others.next()) {
            const QString table = others.text(0);
            others.clear();
            throw StoreError(HistoryOtherDatabase,
                             QCoreApplication::translate(
                                 "store", "'%1' is no history of the editor's: it holds the "
                                          "table %2. It is left as it is and nothing is "
                                          "recorded in it.")
                                 .arg(QDir::toNativeSeparators(path()), table));
        }
    }
    // The state of a new history is copied from the data, which is attached for that alone:
    // with the data attached, every write transaction would lock the data file as well.
    attachData();
    // A deferred transaction whose first write is to the history: the history's lock alone.
    exec(historyschema::Begin);
    try {
        exec(historyschema::CreateMeta);
        setMeta("opened", nowMs());
        exec(historyschema::CreateTables);
        if (metaText("format").isEmpty()) {
            exec(historyschema::CopyState);
            setMeta("format", FormatVersion);
            setMeta("database", QFileInfo(m_database).fileName());
            setMeta("path", m_database);
            setMeta("since", nowMs());
            setMeta("checked", nowMs());
            if (const std::optional<quint32> counter = changeCounter(m_db, "data"))
                setMeta("counter", qint64(*counter));
            // The page map of the same read of the data as the state.
            if (PageMap(m_db, pageSeed()).rebuild(false)) {
                setMeta("pages", 0);
                setMeta("pagesAt", nowMs());
            }
        }
        exec(historyschema::Commit);
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
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
        sql::NativeStatement column = statement(m_db, historyschema::HasCounter);
        const bool found = column.next();
        column.clear();
        return found;
    };
    if (has())
        return;
    exec(historyschema::BeginImmediate);
    try {
        if (!has())
            exec(historyschema::AddCounter);
        exec(historyschema::Commit);
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
}

void HistoryFile::checkIdentity() {
    const QString format = metaText("format");
    if (format.toInt() > FormatVersion)
        throw StoreError(HistoryUnreadable,
                         QCoreApplication::translate(
                             "store", "The history '%1' was made by a newer editor (format %2).")
                             .arg(QDir::toNativeSeparators(path()), format));
    // A history goes with its database by the file's name (the two move together), and one in
    // the user's folder by its full path as well.
    const QString madeFor = metaText("database");
    const QString madeAt = metaText("path");
    const bool other = m_place.beside ? madeFor != QFileInfo(m_database).fileName()
                                      : madeAt != m_database;
    if (other)
        throw StoreError(
            HistoryOtherDatabase,
            QCoreApplication::translate("store",
                                        "The history '%1' was made for another database ('%2'), "
                                        "not for '%3'; it is left as it is and nothing is "
                                        "recorded in it.")
                .arg(QDir::toNativeSeparators(path()), QDir::toNativeSeparators(madeAt),
                     QDir::toNativeSeparators(m_database)));
}

void HistoryFile::attachData() {
    if (m_dataAttached)
        return;
    // Opened as the history is, with NOFOLLOW: through the folder as the system resolves it.
    QUrl url = QUrl::fromLocalFile(openablePath(m_database));
    url.setQuery(QStringLiteral("mode=ro"));
    sql::NativeStatement attach = statement(m_db, historyschema::AttachData);
    attach.bind(url.toString(QUrl::FullyEncoded));
    attach.run();
    m_dataAttached = true;
}

void HistoryFile::detachData() noexcept {
    if (m_dataAttached)
        sqlite3_exec(m_db, historyschema::DetachData.data(), nullptr, nullptr, nullptr);
    m_dataAttached = false;
}

quint64 HistoryFile::pageSeed() {
    const QString kept = metaText("pageSeed");
    if (!kept.isEmpty())
        return quint64(kept.toLongLong());
    const quint64 seed = QRandomGenerator::system()->generate64();
    setMeta("pageSeed", qint64(seed));
    return seed;
}

QString HistoryFile::metaText(const char* key) {
    sql::NativeStatement read = statement(m_db, historyschema::SelectMeta);
    read.bind(QString::fromLatin1(key));
    QString value;
    if (read.next())
        value = read.text(0);
    read.clear();
    return value;
}

void HistoryFile::setMeta(const char* key, const QVariant& value) {
    sql::NativeStatement write = statement(m_db, historyschema::PutMeta);
    write.bind(QString::fromLatin1(key)).bind(value);
    write.run();
}

} // namespace store::history
