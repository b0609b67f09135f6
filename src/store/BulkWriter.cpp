#include "store/BulkWriter.h"

#include "store/Database.h"
#include "store/ImportSchema.h"
#include "store/PgBulkWriter.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <sqlite3.h>

#include <atomic>
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

int bindText(sqlite3_stmt* statement, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()),
                             SQLITE_TRANSIENT);
}

/// SQLite's default limit on a string or blob (SQLITE_MAX_LENGTH); a library built with a
/// lower one lowers it further when the file is opened.
constexpr qint64 SqliteMaxLength = 1'000'000'000;

std::atomic<qint64> lowerValueLimit{0};

QString columnText(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

/// Says how a refused ID relates to the one stored: the same text, or the same under the
/// store's case rule.
QString sameKey(const QString& stored, const QString& imported) {
    if (stored == imported)
        return QStringLiteral("'%1'").arg(stored);
    return QStringLiteral("'%1' (the same ID as '%2': IDs compare without regard to ASCII case)")
        .arg(stored, imported);
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

qint64 ImportWriter::valueLimit() {
    const qint64 lower = lowerValueLimit.load();
    return lower > 0 && lower < SqliteMaxLength ? lower : SqliteMaxLength;
}

void ImportWriter::setValueLimit(qint64 bytes) {
    lowerValueLimit.store(bytes);
}

void ImportWriter::checkLength(const QString& text, QLatin1StringView field,
                               const std::function<QString()>& where) {
    const qint64 limit = valueLimit();
    // At most three bytes of UTF-8 per UTF-16 unit: most values need no count.
    if (qint64(text.size()) * 3 <= limit)
        return;
    const qint64 bytes = text.toUtf8().size();
    if (bytes > limit)
        throw StoreError(ImportValueTooLong,
                         QStringLiteral("%1: the %2 is %3 bytes long; a value may hold at most "
                                        "%4 bytes.")
                             .arg(where(), field)
                             .arg(bytes)
                             .arg(limit));
}

std::unique_ptr<ImportWriter> ImportWriter::newDatabase(const QString& location) {
    if (isServerAddress(location))
        return PgBulkWriter::intoEmpty(location);
    return BulkWriter::newFile(location);
}

std::unique_ptr<ImportWriter> ImportWriter::intoExisting(const QString& location) {
    if (isServerAddress(location))
        return PgBulkWriter::intoExisting(location);
    return BulkWriter::intoExisting(location);
}

QStringList BulkWriter::removeLeftovers(const QDir& folder) {
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
                         qUtf8Printable(QStringLiteral("Removed '%1', left behind by an import "
                                                       "that is no longer running.")
                                            .arg(path)));
        }
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1StringView(suffix));
        lock.unlock();
    }
    return removed;
}

std::unique_ptr<BulkWriter> BulkWriter::newFile(const QString& path) {
    return std::unique_ptr<BulkWriter>(new BulkWriter(path, true));
}

std::unique_ptr<BulkWriter> BulkWriter::intoExisting(const QString& path) {
    return std::unique_ptr<BulkWriter>(new BulkWriter(path, false));
}

BulkWriter::BulkWriter(const QString& path, bool newFile) : m_path(path), m_newFile(newFile) {
    try {
        if (newFile) {
            const QFileInfo target(path);
            if (path.isEmpty() || target.fileName().isEmpty())
                throw StoreError(ImportOutputFailed, QStringLiteral("No output file was named."));
            if (target.exists() && !target.isFile())
                throw StoreError(ImportOutputFailed,
                                 QStringLiteral("'%1' is not a file.").arg(path));
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
                    why = QStringLiteral("its lock file could not be made");
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
                throw StoreError(ImportOutputFailed,
                                 QStringLiteral("Could not create a file in '%1': %2.")
                                     .arg(target.absolutePath(), why));
            }
            // A temporary file is private to its owner; the database gets the permissions of
            // the file it replaces, or those of any new file of the user's.
            if (!QFile::setPermissions(m_workingPath, target.exists() ? target.permissions()
                                                                      : newFilePermissions()))
                throw StoreError(
                    ImportOutputFailed,
                    QStringLiteral("Could not set the permissions of '%1'.").arg(m_workingPath));
            open(m_workingPath, SQLITE_OPEN_READWRITE);
            exec(schema::BeginWrite, QStringLiteral("Could not start writing '%1'").arg(path));
            exec(schema::CreateItemMaster, QStringLiteral("Could not create ItemMaster"));
            exec(schema::CreateBomDetail, QStringLiteral("Could not create BomDetail"));
        } else {
            // The same check as every open; it throws the store's own numbers for a file that
            // is missing, not a database, or lacks the tables.
            { Database check(path); }
            m_workingPath = path;
            open(m_workingPath, SQLITE_OPEN_READWRITE);
            exec(schema::BeginWrite, QStringLiteral("Could not start writing '%1'").arg(path));
            m_itemsBefore = count(schema::CountItems, QStringLiteral("Could not count ItemMaster"));
            m_linesBefore = count(schema::CountLines, QStringLiteral("Could not count BomDetail"));
        }
        const QByteArray item = sqlText(schema::InsertItem);
        const QByteArray line = sqlText(schema::InsertLine);
        if (sqlite3_prepare_v2(m_db, item.constData(), int(item.size()), &m_insertItem, nullptr) !=
                SQLITE_OK ||
            sqlite3_prepare_v2(m_db, line.constData(), int(line.size()), &m_insertLine, nullptr) !=
                SQLITE_OK)
            fail(ImportOutputFailed, QStringLiteral("Could not prepare the inserts"));
    } catch (...) {
        release();
        throw;
    }
}

BulkWriter::~BulkWriter() {
    release();
}

void BulkWriter::open(const QString& file, int flags) {
    // Never SQLITE_OPEN_CREATE: the working file exists already, and an existing database
    // must not be created anew if it vanished meanwhile.
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        fail(ImportOutputFailed, QStringLiteral("Could not open '%1'").arg(file));
    // Another program may be reading or writing an existing file: wait for it a while.
    sqlite3_busy_timeout(m_db, 5000);
}

void BulkWriter::exec(QLatin1StringView sql, const QString& what) {
    const QByteArray text = sqlText(sql);
    if (sqlite3_exec(m_db, text.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(ImportOutputFailed, what);
}

qint64 BulkWriter::count(QLatin1StringView sql, const QString& what) {
    const QByteArray text = sqlText(sql);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        fail(ImportOutputFailed, what);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, &sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW)
        fail(ImportOutputFailed, what);
    return sqlite3_column_int64(raw, 0);
}

/// SQLite's words for its last failure, with the system's for the cause when there was one:
/// "database or disk is full (No space left on device)".
QString BulkWriter::lastError() const {
    if (!m_db)
        return QStringLiteral("out of memory");
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

void BulkWriter::fail(int number, const QString& what) {
    const QString text = lastError();
    throw StoreError(number, QStringLiteral("%1: %2.").arg(what, text));
}

void BulkWriter::insert(sqlite3_stmt* statement, const QString& where, const QString& table,
                        const std::function<QString()>& duplicate) {
    const int rc = sqlite3_step(statement);
    const int extended = sqlite3_extended_errcode(m_db);
    const QString message = lastError();
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc == SQLITE_DONE)
        return;
    if (extended == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw StoreError(ImportDuplicateKey, QStringLiteral("%1: %2.").arg(where, duplicate()));
    if (rc == SQLITE_TOOBIG)
        throw StoreError(ImportValueTooLong,
                         QStringLiteral("%1: the row is too long for %2: %3.")
                             .arg(where, table, message));
    throw StoreError(
        ImportOutputFailed,
        QStringLiteral("%1: could not write the row into %2: %3.").arg(where, table, message));
}

void BulkWriter::checkBound(sqlite3_stmt* statement, int rc, QLatin1StringView field,
                            const std::function<QString()>& where) {
    if (rc == SQLITE_OK)
        return;
    const QString message = rc == SQLITE_TOOBIG ? QStringLiteral("it is too long")
                                                : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_clear_bindings(statement);
    throw StoreError(rc == SQLITE_TOOBIG ? ImportValueTooLong : ImportOutputFailed,
                     QStringLiteral("%1: could not take the %2: %3.").arg(where(), field, message));
}

void BulkWriter::bind(sqlite3_stmt* statement, int index, const std::optional<QString>& text,
                      QLatin1StringView field, const std::function<QString()>& where) {
    if (!text) {
        checkBound(statement, sqlite3_bind_null(statement, index), field, where);
        return;
    }
    try {
        checkLength(*text, field, where);
    } catch (...) {
        sqlite3_clear_bindings(statement);
        throw;
    }
    checkBound(statement, bindText(statement, index, *text), field, where);
}

void BulkWriter::bind(sqlite3_stmt* statement, int index, std::optional<double> number,
                      QLatin1StringView field, const std::function<QString()>& where) {
    checkBound(statement,
               number ? sqlite3_bind_double(statement, index, *number)
                      : sqlite3_bind_null(statement, index),
               field, where);
}

void BulkWriter::addItem(const ImportedItem& item, const std::function<QString()>& where) {
    bind(m_insertItem, 1, std::optional<QString>(item.id), QLatin1StringView("ItemID"), where);
    bind(m_insertItem, 2, item.description, QLatin1StringView("ItemDesc"), where);
    bind(m_insertItem, 3, item.unit, QLatin1StringView("ItemUom"), where);
    insert(m_insertItem, where(), QStringLiteral("ItemMaster"), [&] {
        QString stored = item.id;
        const QByteArray sql = sqlText(schema::SelectItemKey);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &raw, nullptr) ==
            SQLITE_OK) {
            bindText(raw, 1, item.id);
            if (sqlite3_step(raw) == SQLITE_ROW)
                stored = columnText(raw, 0);
        }
        sqlite3_finalize(raw);
        return QStringLiteral("ItemMaster already holds the ItemID %1")
            .arg(sameKey(stored, item.id));
    });
    ++m_itemsAdded;
}

void BulkWriter::addLine(const ImportedLine& line, const std::function<QString()>& where) {
    bind(m_insertLine, 1, std::optional<QString>(line.assembly), QLatin1StringView("BomID"),
         where);
    bind(m_insertLine, 2, std::optional<QString>(line.component), QLatin1StringView("BomComp"),
         where);
    bind(m_insertLine, 3, line.quantity, QLatin1StringView("bomQtyReq"), where);
    bind(m_insertLine, 4, line.startDate, QLatin1StringView("StartDate"), where);
    insert(m_insertLine, where(), QStringLiteral("BomDetail"), [&] {
        QString assembly = line.assembly, component = line.component;
        const QByteArray sql = sqlText(schema::SelectLineKey);
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &raw, nullptr) ==
            SQLITE_OK) {
            bindText(raw, 1, line.assembly);
            bindText(raw, 2, line.component);
            if (sqlite3_step(raw) == SQLITE_ROW) {
                assembly = columnText(raw, 0);
                component = columnText(raw, 1);
            }
        }
        sqlite3_finalize(raw);
        return QStringLiteral("BomDetail already lists the component %1 under the assembly %2")
            .arg(sameKey(component, line.component), sameKey(assembly, line.assembly));
    });
    ++m_linesAdded;
}

void BulkWriter::commit() {
    const qint64 items = count(schema::CountItems, QStringLiteral("Could not count ItemMaster"));
    const qint64 lines = count(schema::CountLines, QStringLiteral("Could not count BomDetail"));
    if (items != m_itemsBefore + m_itemsAdded || lines != m_linesBefore + m_linesAdded)
        throw StoreError(ImportRowCount,
                         QStringLiteral("'%1' would hold %2 ItemMaster and %3 BomDetail rows "
                                        "instead of %4 and %5.")
                             .arg(m_path)
                             .arg(items)
                             .arg(lines)
                             .arg(m_itemsBefore + m_itemsAdded)
                             .arg(m_linesBefore + m_linesAdded));
    sqlite3_finalize(m_insertItem);
    sqlite3_finalize(m_insertLine);
    m_insertItem = m_insertLine = nullptr;
    exec(schema::Commit, QStringLiteral("Could not write '%1'").arg(m_path));
    const int rc = sqlite3_close(m_db);
    m_db = nullptr;
    if (rc != SQLITE_OK)
        throw StoreError(ImportOutputFailed, QStringLiteral("Could not close '%1'.").arg(m_path));
    if (m_newFile) {
        // The file the editor will open must pass its check; better refused here than there.
        { Database check(m_workingPath); }
        // SQLite would apply a journal left beside the old file to the new one.
        for (const char* suffix : {"-journal", "-wal"})
            if (QFile::exists(m_path + QLatin1StringView(suffix)))
                throw StoreError(ImportOutputFailed,
                                 QStringLiteral("Could not replace '%1': its journal '%1%2' is "
                                                "there (another program may have it open).")
                                     .arg(m_path, QLatin1StringView(suffix)));
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(m_workingPath).toStdString(),
                                QFile::encodeName(m_path).toStdString(), error);
        if (error)
            throw StoreError(ImportOutputFailed,
                             QStringLiteral("Could not put the new database in place as '%1': %2.")
                                 .arg(m_path, QString::fromLocal8Bit(error.message())));
    }
    m_committed = true;
}

void BulkWriter::release() {
    sqlite3_finalize(m_insertItem);
    sqlite3_finalize(m_insertLine);
    m_insertItem = m_insertLine = nullptr;
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
