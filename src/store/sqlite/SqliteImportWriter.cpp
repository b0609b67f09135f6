#include "store/sqlite/SqliteImportWriter.h"

#include "store/sqlite/history/HistoryFile.h"
#include "store/sqlite/history/OwnCommits.h"

#include "store/sqlite/SqliteStore.h"
#include "store/sqlite/SqliteSql.h"
#include "store/sqlite/SqliteStatement.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cstdio>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace store {

namespace {

QByteArray sqlText(QLatin1StringView sql) {
    return QByteArray(sql.data(), sql.size());
}

/// rw-rw-rw- less the process's umask, as for a file the user's programs create. The umask is
/// read from /proc, since setting it to learn it would race with other threads.
QFile::Permissions newFilePermissions() {
    mode_t mask = S_IWGRP | S_IWOTH;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint value = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    mask = mode_t(value);
            }
    QFile::Permissions permissions;
    const std::pair<mode_t, QFile::Permissions> bits[] = {
        {S_IRUSR, QFile::ReadOwner | QFile::ReadUser},
        {S_IWUSR, QFile::WriteOwner | QFile::WriteUser},
        {S_IRGRP, QFile::ReadGroup},
        {S_IWGRP, QFile::WriteGroup},
        {S_IROTH, QFile::ReadOther},
        {S_IWOTH, QFile::WriteOther}};
    for (const auto& [bit, permission] : bits)
        if (!(mask & bit))
            permissions |= permission;
    return permissions;
}

} // namespace

QStringList SqliteImportWriter::removeLeftovers(const QDir& folder) {
    static const QRegularExpression working(QStringLiteral("^\\..+\\.import-[A-Za-z0-9]{6}$"));
    QStringList removed;
    const QStringList names =
        folder.entryList({QStringLiteral(".*.import-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!working.match(name).hasMatch())
            continue; // a lock or a journal: dealt with along with its file
        const QString path = folder.filePath(name);
        // A lock held by a running import, here or on another computer, is never stale: its
        // file stays. A lock left by a process that is gone is taken over.
        QLockFile lock(path + QStringLiteral(".lock"));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        if (QFile::remove(path)) {
            removed.append(path);
            std::fprintf(stderr, "%s\n",
                         qUtf8Printable(QCoreApplication::translate(
                                            "store", "Removed '%1', left behind by an import "
                                                     "that is no longer running.")
                                            .arg(path)));
        }
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1StringView(suffix));
        lock.unlock();
    }
    return removed;
}

std::unique_ptr<SqliteImportWriter> SqliteImportWriter::newFile(const QString& path) {
    return std::unique_ptr<SqliteImportWriter>(new SqliteImportWriter(path, true));
}

std::unique_ptr<SqliteImportWriter> SqliteImportWriter::intoExisting(const QString& path) {
    return std::unique_ptr<SqliteImportWriter>(new SqliteImportWriter(path, false));
}

SqliteImportWriter::SqliteImportWriter(const QString& path, bool newFile) : m_path(path), m_newFile(newFile) {
    try {
        if (newFile) {
            const QFileInfo target(path);
            if (path.isEmpty() || target.fileName().isEmpty())
                throw StoreError(ImportOutputFailed,
                                 QCoreApplication::translate("store", "No output file was named."));
            if (target.exists() && !target.isFile())
                throw StoreError(
                    ImportOutputFailed,
                    QCoreApplication::translate("store", "'%1' is not a file.").arg(path));
            removeLeftovers(target.absoluteDir());
            // A working file beside the target, so that the final rename stays on one file
            // system and replaces the target in one step. Its lock, taken before the file is
            // made and held until the writer is done, tells a later import that the file is
            // in use; an import killed midway leaves a lock that names a process no longer
            // running.
            for (int attempt = 0; m_workingPath.isEmpty(); ++attempt) {
                QString suffix;
                for (int i = 0; i < 6; ++i)
                    suffix += QLatin1Char(
                        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                            [QRandomGenerator::global()->bounded(62)]);
                const QString working = target.absoluteDir().filePath(
                    QStringLiteral(".%1.import-%2").arg(target.fileName(), suffix));
                m_lock = std::make_unique<QLockFile>(working + QStringLiteral(".lock"));
                m_lock->setStaleLockTime(0);
                const bool locked = m_lock->tryLock(0);
                // A name in use: another one. Anything else is a folder that takes no file.
                if (!locked && m_lock->error() == QLockFile::LockFailedError && attempt < 20)
                    continue;
                QFile file(working);
                if (locked && file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                    m_workingPath = working;
                    break;
                }
                if (locked && file.error() == QFileDevice::OpenError && file.exists() &&
                    attempt < 20)
                    continue;
                // The lock file says nothing of why it could not be made; the working file
                // made without one does ("No space left on device", "Permission denied").
                QString why = file.errorString();
                if (!locked) {
                    why = QCoreApplication::translate("store", "its lock file could not be made");
                    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                        why = file.errorString();
                    } else {
                        if (file.write("-", 1) != 1 || !file.flush())
                            why = file.errorString();
                        file.close();
                        file.remove();
                    }
                }
                m_lock.reset();
                throw StoreError(
                    ImportOutputFailed,
                    QCoreApplication::translate("store", "Could not create a file in '%1': %2.")
                        .arg(target.absolutePath(), why));
            }
            // A temporary file is private to its owner; the database gets the permissions of
            // the file it replaces, or those of any new file of the user's.
            if (!QFile::setPermissions(m_workingPath, target.exists() ? target.permissions()
                                                                      : newFilePermissions()))
                throw StoreError(
                    ImportOutputFailed,
                    QCoreApplication::translate("store", "Could not set the permissions of '%1'.")
                        .arg(m_workingPath));
            open(m_workingPath, SQLITE_OPEN_READWRITE);
            exec(schema::BeginWrite,
                 QCoreApplication::translate("store", "Could not start writing '%1'").arg(path));
            exec(schema::CreateItemMaster,
                 QCoreApplication::translate("store", "Could not create ItemMaster"));
            exec(schema::CreateBomDetail,
                 QCoreApplication::translate("store", "Could not create BomDetail"));
        } else {
            // The same check as every open; it throws the store's own numbers for a file that
            // is missing, not a database, or lacks the tables.
            { SqliteStore check(path); }
            m_workingPath = path;
            open(m_workingPath, SQLITE_OPEN_READWRITE);
            exec(schema::BeginWrite,
                 QCoreApplication::translate("store", "Could not start writing '%1'").arg(path));
            m_itemsBefore =
                count(schema::CountItems,
                      QCoreApplication::translate("store", "Could not count ItemMaster"));
            m_linesBefore =
                count(schema::CountLines,
                      QCoreApplication::translate("store", "Could not count BomDetail"));
        }
        const QString prepare =
            QCoreApplication::translate("store", "Could not prepare the inserts");
        m_insertItem = std::make_unique<sql::NativeStatement>(m_db, schema::InsertItem, prepare,
                                                              ImportOutputFailed);
        m_insertLine = std::make_unique<sql::NativeStatement>(m_db, schema::InsertLine, prepare,
                                                              ImportOutputFailed);
    } catch (...) {
        release();
        throw;
    }
}

SqliteImportWriter::~SqliteImportWriter() {
    release();
}

void SqliteImportWriter::open(const QString& file, int flags) {
    // Never SQLITE_OPEN_CREATE: the working file exists already, and an existing database
    // must not be created anew if it vanished meanwhile.
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        fail(ImportOutputFailed,
             QCoreApplication::translate("store", "Could not open '%1'").arg(file));
    // Another program may be reading or writing an existing file: wait for it a while.
    sqlite3_busy_timeout(m_db, 5000);
}

void SqliteImportWriter::exec(QLatin1StringView sql, const QString& what) {
    const QByteArray text = sqlText(sql);
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(ImportOutputFailed, what);
}

qint64 SqliteImportWriter::count(QLatin1StringView sql, const QString& what) {
    sql::NativeStatement statement(m_db, sql, what, ImportOutputFailed);
    if (!statement.next())
        fail(ImportOutputFailed, what);
    return statement.integer(0);
}

/// SQLite's words for its last failure, with the system's for the cause when there was one:
/// "database or disk is full (No space left on device)".
QString SqliteImportWriter::lastError() const {
    if (!m_db)
        return QCoreApplication::translate("store", "out of memory");
    QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
    // SQLite keeps no system error for a full disk, the one cause of SQLITE_FULL here (the
    // writer sets no page limit).
    int code = sqlite3_system_errno(m_db);
    if (code == 0 && sqlite3_errcode(m_db) == SQLITE_FULL)
        code = ENOSPC;
    if (code != 0)
        text += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(code)));
    return text;
}

void SqliteImportWriter::fail(int number, const QString& what) {
    const QString text = lastError();
    throw StoreError(number, QStringLiteral("%1: %2.").arg(what, text));
}

void SqliteImportWriter::insert(sql::NativeStatement& statement, const QString& where,
                                const QString& table, const std::function<QString()>& duplicate) {
    const int rc = sqlite3_step(statement.get());
    const int extended = sqlite3_extended_errcode(m_db);
    const QString message = lastError();
    statement.clear();
    if (rc == SQLITE_DONE)
        return;
    if (extended == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw StoreError(ImportDuplicateKey, QStringLiteral("%1: %2.").arg(where, duplicate()));
    if (rc == SQLITE_TOOBIG)
        throw StoreError(ImportValueTooLong,
                         QCoreApplication::translate("store", "%1: the row is too long for %2: %3.")
                             .arg(where, table, message));
    throw StoreError(ImportOutputFailed, QCoreApplication::translate(
                                             "store", "%1: could not write the row into %2: %3.")
                                             .arg(where, table, message));
}

void SqliteImportWriter::checkBound(sql::NativeStatement& statement, int rc,
                                    QLatin1StringView field,
                                    const std::function<QString()>& where) {
    if (rc == SQLITE_OK)
        return;
    const QString message = rc == SQLITE_TOOBIG
                                ? QCoreApplication::translate("store", "it is too long")
                                : QString::fromUtf8(sqlite3_errstr(rc));
    statement.clear();
    throw StoreError(rc == SQLITE_TOOBIG ? ImportValueTooLong : ImportOutputFailed,
                     QCoreApplication::translate("store", "%1: could not take the %2: %3.")
                         .arg(where(), field, message));
}

void SqliteImportWriter::bind(sql::NativeStatement& statement, int index,
                              const std::optional<QString>& text, QLatin1StringView field,
                              const std::function<QString()>& where) {
    if (!text) {
        checkBound(statement, sqlite3_bind_null(statement.get(), index), field, where);
        return;
    }
    try {
        checkLength(*text, field, where);
    } catch (...) {
        statement.clear();
        throw;
    }
    checkBound(statement, statement.bindText(index, *text), field, where);
}

void SqliteImportWriter::bind(sql::NativeStatement& statement, int index,
                              std::optional<double> number, QLatin1StringView field,
                              const std::function<QString()>& where) {
    checkBound(statement,
               number ? sqlite3_bind_double(statement.get(), index, *number)
                      : sqlite3_bind_null(statement.get(), index),
               field, where);
}

std::optional<QStringList> SqliteImportWriter::storedKey(QLatin1StringView sql,
                                                         const QStringList& key) {
    // Only for the words of a refusal: a lookup that fails leaves the imported spelling.
    try {
        sql::NativeStatement lookup(m_db, sql, QString());
        for (int i = 0; i < key.size(); ++i)
            lookup.bindText(i + 1, key[i]);
        if (!lookup.next())
            return std::nullopt;
        QStringList stored;
        for (int i = 0; i < key.size(); ++i)
            stored.append(lookup.text(i));
        return stored;
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

void SqliteImportWriter::addItem(const ImportedItem& item, const std::function<QString()>& where) {
    bind(*m_insertItem, 1, std::optional<QString>(item.id), QLatin1StringView("ItemID"), where);
    bind(*m_insertItem, 2, item.description, QLatin1StringView("ItemDesc"), where);
    bind(*m_insertItem, 3, item.unit, QLatin1StringView("ItemUom"), where);
    insert(*m_insertItem, where(), QStringLiteral("ItemMaster"), [&] {
        const QString stored =
            storedKey(schema::SelectItemKey, {item.id}).value_or(QStringList{item.id})[0];
        return QCoreApplication::translate("store", "ItemMaster already holds the ItemID %1")
            .arg(sameKey(stored, item.id));
    });
    ++m_itemsAdded;
    if (m_recorder)
        m_itemChanges.push_back({std::nullopt, item});
}

void SqliteImportWriter::addLine(const ImportedLine& line, const std::function<QString()>& where) {
    bind(*m_insertLine, 1, std::optional<QString>(line.assembly), QLatin1StringView("BomID"),
         where);
    bind(*m_insertLine, 2, std::optional<QString>(line.component), QLatin1StringView("BomComp"),
         where);
    bind(*m_insertLine, 3, line.quantity, QLatin1StringView("bomQtyReq"), where);
    bind(*m_insertLine, 4, line.startDate, QLatin1StringView("StartDate"), where);
    insert(*m_insertLine, where(), QStringLiteral("BomDetail"), [&] {
        const QStringList stored =
            storedKey(schema::SelectLineKey, {line.assembly, line.component})
                .value_or(QStringList{line.assembly, line.component});
        const QString& assembly = stored[0];
        const QString& component = stored[1];
        return QCoreApplication::translate(
                   "store", "BomDetail already lists the component %1 under the assembly %2")
            .arg(sameKey(component, line.component), sameKey(assembly, line.assembly));
    });
    ++m_linesAdded;
    if (m_recorder)
        m_lineChanges.push_back(
            {std::nullopt,
             LineRow{line.assembly, line.component,
                     line.quantity ? QVariant(*line.quantity) : QVariant(),
                     line.startDate ? QVariant(*line.startDate) : QVariant()}});
}

void SqliteImportWriter::recordAs(const WriteCommand& command) {
    if (m_newFile || !fileHistoryKept())
        return;
    m_command = command;
    m_recorder = std::make_unique<history::FileRecorder>(m_path);
    // The import holds the file's write lock already (its constructor began the write): its
    // commit takes the next step of the change counter, which the watch then knows for the
    // editor's own and compares nothing for, as for a line write.
    m_ownCounter = history::changeCounter(m_db);
    if (m_ownCounter) {
        m_ownFile = history::fileKey(m_path);
        history::beginOwnCommit(m_ownFile, *m_ownCounter);
    }
    // A history made new takes its starting state from the data file: read now, while the
    // import has written nothing, rather than at the commit, when a large import's writes may
    // hold the file against readers. A failure here is said by the commit's record.
    try {
        const history::HistoryFile opened(m_path);
    } catch (const StoreError&) {
    }
}

void SqliteImportWriter::commit() {
    const qint64 items = count(schema::CountItems,
                               QCoreApplication::translate("store", "Could not count ItemMaster"));
    const qint64 lines = count(schema::CountLines,
                               QCoreApplication::translate("store", "Could not count BomDetail"));
    checkRowCounts(m_path, items, lines, m_itemsBefore + m_itemsAdded,
                   m_linesBefore + m_linesAdded);
    m_insertItem.reset();
    m_insertLine.reset();
    // Recorded as pending before the commit (a change that cannot be accounted for is not
    // made) and completed after it, as SqlStore::commitRecorded does for a line write.
    const bool recorded = m_recorder && (!m_itemChanges.empty() || !m_lineChanges.empty());
    if (recorded)
        m_recorder->pendingRows(m_command, m_lineChanges, m_itemChanges);
    try {
        exec(schema::Commit,
             QCoreApplication::translate("store", "Could not write '%1'").arg(m_path));
    } catch (...) {
        endOwnCommit(false);
        if (recorded)
            m_recorder->abandoned();
        throw;
    }
    endOwnCommit(m_itemsAdded + m_linesAdded > 0);
    if (recorded)
        m_recorder->committed();
    const int rc = sqlite3_close(m_db);
    m_db = nullptr;
    if (rc != SQLITE_OK)
        throw StoreError(ImportOutputFailed,
                         QCoreApplication::translate("store", "Could not close '%1'.").arg(m_path));
    if (m_newFile) {
        // The file the editor will open must pass its check; better refused here than there.
        { SqliteStore check(m_workingPath); }
        // SQLite would apply a journal left beside the old file to the new one.
        for (const char* suffix : {"-journal", "-wal"})
            if (QFile::exists(m_path + QLatin1StringView(suffix)))
                throw StoreError(ImportOutputFailed,
                                 QCoreApplication::translate(
                                     "store", "Could not replace '%1': its journal '%1%2' is "
                                              "there (another program may have it open).")
                                     .arg(m_path, QLatin1StringView(suffix)));
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(m_workingPath).toStdString(),
                                QFile::encodeName(m_path).toStdString(), error);
        if (error)
            throw StoreError(ImportOutputFailed,
                             QCoreApplication::translate(
                                 "store", "Could not put the new database in place as '%1': %2.")
                                 .arg(m_path, QString::fromLocal8Bit(error.message())));
    }
    m_committed = true;
}

void SqliteImportWriter::endOwnCommit(bool wrote) {
    if (m_ownCounter)
        history::endOwnCommit(m_ownFile, *m_ownCounter, wrote);
    m_ownCounter.reset();
}

void SqliteImportWriter::release() {
    endOwnCommit(false);
    m_insertItem.reset();
    m_insertLine.reset();
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, sqlText(schema::Rollback).constData(), nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
    }
    if (m_newFile && !m_committed && !m_workingPath.isEmpty()) {
        QFile::remove(m_workingPath);
        QFile::remove(m_workingPath + QStringLiteral("-journal"));
    }
    // Only once the file is gone or in place: the lock alone marks it as in use.
    m_lock.reset();
}

} // namespace store
