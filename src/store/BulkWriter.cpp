#include "store/BulkWriter.h"

#include "store/Database.h"
#include "store/ImportSchema.h"
#include "store/PgBulkWriter.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <filesystem>

#include <sys/stat.h>

namespace store {

namespace {

QByteArray sqlText(QLatin1StringView sql) {
    return QByteArray(sql.data(), sql.size());
}

void bindText(sqlite3_stmt* statement, int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void bindOptionalText(sqlite3_stmt* statement, int index, const std::optional<QString>& text) {
    if (text)
        bindText(statement, index, *text);
    else
        sqlite3_bind_null(statement, index);
}

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
            // A temporary file beside the target, so that the final rename stays on one file
            // system and replaces the target in one step.
            QTemporaryFile temporary(target.absoluteDir().filePath(
                QStringLiteral(".%1.import-XXXXXX").arg(target.fileName())));
            temporary.setAutoRemove(false);
            if (!temporary.open())
                throw StoreError(ImportOutputFailed,
                                 QStringLiteral("Could not create a file in '%1': %2.")
                                     .arg(target.absolutePath(), temporary.errorString()));
            m_workingPath = temporary.fileName();
            temporary.close();
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

void BulkWriter::fail(int number, const QString& what) {
    const QString text =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
    throw StoreError(number, QStringLiteral("%1: %2.").arg(what, text));
}

void BulkWriter::insert(sqlite3_stmt* statement, const QString& where, const QString& table,
                        const std::function<QString()>& duplicate) {
    const int rc = sqlite3_step(statement);
    const int extended = sqlite3_extended_errcode(m_db);
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (rc == SQLITE_DONE)
        return;
    if (extended == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw StoreError(ImportDuplicateKey, QStringLiteral("%1: %2.").arg(where, duplicate()));
    throw StoreError(
        ImportOutputFailed,
        QStringLiteral("%1: could not write the row into %2: %3.").arg(where, table, message));
}

void BulkWriter::addItem(const ImportedItem& item, const std::function<QString()>& where) {
    bindText(m_insertItem, 1, item.id);
    bindOptionalText(m_insertItem, 2, item.description);
    bindOptionalText(m_insertItem, 3, item.unit);
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
    bindText(m_insertLine, 1, line.assembly);
    bindText(m_insertLine, 2, line.component);
    if (line.quantity)
        sqlite3_bind_double(m_insertLine, 3, *line.quantity);
    else
        sqlite3_bind_null(m_insertLine, 3);
    bindOptionalText(m_insertLine, 4, line.startDate);
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
}

} // namespace store
