// The drafts of a database file in its history file. Their tables:
//   Draft      one draft: its name, reason, who made it and when, its state (0 open, 1 applied,
//              2 discarded) with who closed it and when, and the apply that holds it now;
//   DraftEditor  who has a draft open for editing (one editor at a time writes into it): the
//              user, the process's token, when they took it and when they last renewed it;
//   DraftLine  one line of a draft, keyed by its IDs folded under the case rule: the base row
//              (BaseAssembly Null: the tables had no such line) and the draft row (DraftAssembly
//              Null: the draft removes the line), each exactly as stored.
// Times are milliseconds since the epoch, UTC.

#include "store/sqlite/SqliteDrafts.h"

#include "store/ItemKey.h"
#include "store/SessionName.h"
#include "store/sqlite/history/HistoryFile.h"
#include "store/sqlite/SqliteStatement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <sqlite3.h>

namespace store::history {

namespace {

using sql::NativeStatement;

constexpr int BusyWaitMs = 10'000;

constexpr const char* CreateTables[] = {
    "CREATE TABLE IF NOT EXISTS Draft ("
    " Id INTEGER PRIMARY KEY,"
    " Name TEXT NOT NULL COLLATE NOCASE UNIQUE,"
    " Reason TEXT NOT NULL DEFAULT '',"
    " MadeBy TEXT NOT NULL, MadeAt INTEGER NOT NULL,"
    " State INTEGER NOT NULL DEFAULT 0,"
    " ClosedBy TEXT, ClosedAt INTEGER,"
    " ApplyingBy TEXT, ApplyingAt INTEGER)",
    "CREATE TABLE IF NOT EXISTS DraftLine ("
    " Draft INTEGER NOT NULL REFERENCES Draft(Id),"
    " AssemblyKey TEXT NOT NULL, ComponentKey TEXT NOT NULL,"
    " BaseAssembly TEXT, BaseComponent TEXT, BaseQuantity, BaseStartDate,"
    " DraftAssembly TEXT, DraftComponent TEXT, DraftQuantity, DraftStartDate,"
    " PRIMARY KEY (Draft, AssemblyKey, ComponentKey))",
    "CREATE TABLE IF NOT EXISTS DraftEditor ("
    " Draft INTEGER PRIMARY KEY REFERENCES Draft(Id),"
    " EditingBy TEXT NOT NULL, Token TEXT NOT NULL,"
    " HeldSince INTEGER NOT NULL, RenewedAt INTEGER NOT NULL)",
};

#define SELECT_DRAFTS                                                                              \
    "SELECT Id, Name, Reason, MadeBy, MadeAt, State, ClosedBy, ClosedAt, ApplyingBy, ApplyingAt," \
    " (SELECT count(*) FROM DraftLine WHERE Draft = Id) FROM Draft"

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime timeOf(NativeStatement& query, int column) {
    if (query.isNull(column))
        return {};
    return QDateTime::fromMSecsSinceEpoch(query.integer(column), Qt::UTC);
}

DraftInfo draftOf(NativeStatement& query) {
    DraftInfo info;
    info.id = query.integer(0);
    info.name = query.text(1);
    info.reason = query.text(2);
    info.madeBy = query.text(3);
    info.made = timeOf(query, 4);
    info.state = DraftState(query.integer(5));
    info.closedBy = query.text(6);
    info.closed = timeOf(query, 7);
    info.applyingBy = query.text(8);
    info.applyingSince = timeOf(query, 9);
    info.lines = query.integer(10);
    return info;
}

/// A value exactly as the shared tables hold it: numbers stay numbers, text stays text.
void bindValue(NativeStatement& statement, int index, const QVariant& value) {
    sqlite3_stmt* handle = statement.get();
    if (value.isNull()) {
        sqlite3_bind_null(handle, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        sqlite3_bind_int64(handle, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(handle, index, value.toDouble());
        return;
    default:
        statement.bindText(index, value.toString());
    }
}

QVariant valueOf(NativeStatement& query, int column) {
    switch (query.type(column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return QVariant(qlonglong(query.integer(column)));
    case SQLITE_FLOAT:
        return QVariant(query.real(column));
    default:
        return QVariant(query.text(column));
    }
}

std::optional<LineRow> rowAt(NativeStatement& query, int column) {
    if (query.isNull(column))
        return std::nullopt;
    return LineRow{query.text(column), query.text(column + 1), valueOf(query, column + 2),
                   valueOf(query, column + 3)};
}

void bindRow(NativeStatement& statement, int index, const std::optional<LineRow>& row) {
    for (int at = 0; at < 4; ++at)
        sqlite3_bind_null(statement.get(), index + at);
    if (!row)
        return;
    statement.bindText(index, row->assembly);
    statement.bindText(index + 1, row->component);
    bindValue(statement, index + 2, row->quantity);
    bindValue(statement, index + 3, row->startDate);
}

QString readWhat() {
    return QCoreApplication::translate("store", "Could not read the drafts");
}

} // namespace

SqliteDrafts::SqliteDrafts(const QString& databasePath) {
    // The history is opened as every history use opens it: made when missing (from the tables
    // as they are now), checked, and refused when it belongs to another database.
    {
        const HistoryFile file(databasePath);
        m_path = file.path();
    }
    const QByteArray name = QFile::encodeName(openablePath(m_path));
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        const QString text = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
        sqlite3_close_v2(m_db);
        throw StoreError(DraftUnreadable, QCoreApplication::translate(
                                              "store", "Could not open the drafts in '%1': %2.")
                                              .arg(QDir::toNativeSeparators(m_path), text));
    }
    sqlite3_busy_timeout(m_db, BusyWaitMs);
    // The history's log stays for its next connection, as the history's own connections
    // leave it.
    int persist = 1;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    try {
        const QString what =
            QCoreApplication::translate("store", "Could not make the drafts' tables in '%1'")
                .arg(QDir::toNativeSeparators(m_path));
        exec("BEGIN IMMEDIATE", what);
        for (const char* sql : CreateTables)
            exec(sql, what);
        exec("COMMIT", what);
    } catch (...) {
        sqlite3_close_v2(m_db);
        throw;
    }
}

SqliteDrafts::~SqliteDrafts() {
    sqlite3_close_v2(m_db);
}

void SqliteDrafts::exec(const char* sql, const QString& what) {
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        const StoreError error = sql::failure(DraftUnreadable, what, sqlite3_extended_errcode(m_db),
                                              QString::fromUtf8(sqlite3_errmsg(m_db)));
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw error;
    }
}

std::vector<DraftInfo> SqliteDrafts::list() {
    NativeStatement query(m_db, QLatin1StringView(SELECT_DRAFTS " ORDER BY State <> 0, Name"),
                          readWhat(), DraftUnreadable);
    std::vector<DraftInfo> drafts;
    while (query.next())
        drafts.push_back(draftOf(query));
    return drafts;
}

DraftInfo SqliteDrafts::find(const QString& name) {
    NativeStatement query(m_db, QLatin1StringView(SELECT_DRAFTS " WHERE Name = ?"), readWhat(),
                          DraftUnreadable);
    query.bindText(1, name);
    if (!query.next())
        throw StoreError(
            DraftNotFound,
            QCoreApplication::translate("store", "There is no draft named '%1'.").arg(name));
    return draftOf(query);
}

DraftInfo SqliteDrafts::create(const QString& name, const QString& reason) {
    if (name.trimmed().isEmpty())
        throw StoreError(DraftNameInvalid,
                         QCoreApplication::translate("store", "A draft needs a name."));
    const QString what =
        QCoreApplication::translate("store", "Could not make the draft '%1'").arg(name);
    {
        NativeStatement insert(m_db,
                               QLatin1StringView("INSERT INTO Draft (Name, Reason, MadeBy, MadeAt)"
                                                 " VALUES (?, ?, ?, ?)"),
                               what, DraftUnreadable);
        insert.bindText(1, name);
        insert.bindText(2, reason);
        insert.bindText(3, systemUserName());
        sqlite3_bind_int64(insert.get(), 4, nowMs());
        if (sqlite3_step(insert.get()) != SQLITE_DONE) {
            if (sqlite3_extended_errcode(m_db) == SQLITE_CONSTRAINT_UNIQUE)
                throw StoreError(DraftNameTaken, QCoreApplication::translate(
                                                     "store", "A draft named '%1' exists already.")
                                                     .arg(name));
            throw insert.failure();
        }
    }
    return find(name);
}

std::vector<DraftLine> SqliteDrafts::lines(qint64 draft) {
    NativeStatement query(m_db,
                          QLatin1StringView("SELECT BaseAssembly, BaseComponent, BaseQuantity,"
                                            " BaseStartDate, DraftAssembly, DraftComponent,"
                                            " DraftQuantity, DraftStartDate FROM DraftLine"
                                            " WHERE Draft = ? ORDER BY AssemblyKey, ComponentKey"),
                          readWhat(), DraftUnreadable);
    sqlite3_bind_int64(query.get(), 1, draft);
    std::vector<DraftLine> lines;
    while (query.next())
        lines.push_back({rowAt(query, 0), rowAt(query, 4)});
    return lines;
}

void SqliteDrafts::putLines(qint64 draft, const std::vector<DraftLine>& lines) {
    const QString what = QCoreApplication::translate("store", "Could not write into the draft");
    exec("BEGIN IMMEDIATE", what);
    try {
        {
            NativeStatement state(m_db,
                                  QLatin1StringView("SELECT Name FROM Draft WHERE Id = ? AND"
                                                    " State = 0 AND ApplyingBy IS NULL"),
                                  what, DraftUnreadable);
            sqlite3_bind_int64(state.get(), 1, draft);
            if (!state.next())
                throw StoreError(DraftNotOpen,
                                 QCoreApplication::translate(
                                     "store", "The draft is applied, discarded or being applied "
                                              "now: it takes no more changes."));
        }
        if (const DraftEditor editor = takeHold(draft, what); !editor.here)
            throw draftHeld(editor);
        NativeStatement remove(m_db,
                               QLatin1StringView("DELETE FROM DraftLine WHERE Draft = ? AND"
                                                 " AssemblyKey = ? AND ComponentKey = ?"),
                               what, DraftUnreadable);
        NativeStatement insert(m_db,
                               QLatin1StringView("INSERT INTO DraftLine VALUES"
                                                 " (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                               what, DraftUnreadable);
        for (const DraftLine& line : lines) {
            const QString assembly = foldKey(line.assembly());
            const QString component = foldKey(line.component());
            remove.clear();
            sqlite3_bind_int64(remove.get(), 1, draft);
            remove.bindText(2, assembly);
            remove.bindText(3, component);
            remove.next();
            if (sameRow(line.base, line.draft))
                continue;
            insert.clear();
            sqlite3_bind_int64(insert.get(), 1, draft);
            insert.bindText(2, assembly);
            insert.bindText(3, component);
            bindRow(insert, 4, line.base);
            bindRow(insert, 8, line.draft);
            insert.next();
        }
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    exec("COMMIT", what);
}

std::optional<DraftEditor> SqliteDrafts::otherEditor(qint64 draft, const QString& what) {
    NativeStatement holder(m_db,
                           QLatin1StringView("SELECT EditingBy, Token, HeldSince, RenewedAt"
                                             " FROM DraftEditor WHERE Draft = ?"),
                           what, DraftUnreadable);
    sqlite3_bind_int64(holder.get(), 1, draft);
    if (holder.next() && holder.text(1) != draftHolderToken() &&
        holder.integer(3) > nowMs() - DraftHoldMs)
        return DraftEditor{holder.text(0), timeOf(holder, 2), false};
    return std::nullopt;
}

DraftEditor SqliteDrafts::takeHold(qint64 draft, const QString& what) {
    if (std::optional<DraftEditor> other = otherEditor(draft, what))
        return *other;
    const qint64 now = nowMs();
    const QString token = draftHolderToken();
    NativeStatement take(m_db,
                         QLatin1StringView("INSERT INTO DraftEditor VALUES (?1, ?2, ?3, ?4, ?4)"
                                           " ON CONFLICT (Draft) DO UPDATE SET"
                                           " EditingBy = ?2, Token = ?3, RenewedAt = ?4,"
                                           " HeldSince = CASE WHEN Token = ?3 THEN HeldSince"
                                           " ELSE ?4 END RETURNING EditingBy, HeldSince"),
                         what, DraftUnreadable);
    sqlite3_bind_int64(take.get(), 1, draft);
    take.bindText(2, systemUserName());
    take.bindText(3, token);
    sqlite3_bind_int64(take.get(), 4, now);
    take.next();
    return {take.text(0), timeOf(take, 1), true};
}

DraftEditor SqliteDrafts::hold(qint64 draft) {
    const QString what =
        QCoreApplication::translate("store", "Could not open the draft for editing");
    exec("BEGIN IMMEDIATE", what);
    DraftEditor editor;
    try {
        editor = takeHold(draft, what);
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    exec("COMMIT", what);
    return editor;
}

void SqliteDrafts::letGo(qint64 draft) {
    NativeStatement drop(
        m_db, QLatin1StringView("DELETE FROM DraftEditor WHERE Draft = ? AND Token = ?"),
        QCoreApplication::translate("store", "Could not close the draft for editing"),
        DraftUnreadable);
    sqlite3_bind_int64(drop.get(), 1, draft);
    drop.bindText(2, draftHolderToken());
    drop.next();
}

int SqliteDrafts::updateDraft(const char* sql, qint64 draft, const QString& what) {
    NativeStatement update(m_db, QLatin1StringView(sql), what, DraftUnreadable);
    update.bindText(1, systemUserName());
    sqlite3_bind_int64(update.get(), 2, nowMs());
    sqlite3_bind_int64(update.get(), 3, draft);
    update.next();
    return sqlite3_changes(m_db);
}

bool SqliteDrafts::claim(qint64 draft) {
    return updateDraft(
               "UPDATE Draft SET ApplyingBy = ?, ApplyingAt = ?"
               " WHERE Id = ? AND State = 0 AND ApplyingBy IS NULL",
               draft,
               QCoreApplication::translate("store", "Could not take the draft for its apply")) == 1;
}

void SqliteDrafts::markApplied(qint64 draft) {
    updateDraft("UPDATE Draft SET State = 1, ClosedBy = ApplyingBy, ClosedAt = ?2,"
                " ApplyingBy = NULL, ApplyingAt = NULL"
                " WHERE Id = ?3 AND State = 0 AND ApplyingBy = ?1",
                draft, QCoreApplication::translate("store", "Could not mark the draft applied"));
}

void SqliteDrafts::release(qint64 draft) {
    updateDraft("UPDATE Draft SET ApplyingBy = NULL, ApplyingAt = NULL"
                " WHERE Id = ?3 AND ApplyingBy = ?1",
                draft, QCoreApplication::translate("store", "Could not give the draft back"));
}

void SqliteDrafts::settle(qint64 draft, bool written) {
    const QString what =
        QCoreApplication::translate("store", "Could not settle the draft's last apply");
    NativeStatement update(
        m_db,
        QLatin1StringView(written ? "UPDATE Draft SET State = 1, ClosedBy = ApplyingBy,"
                                    " ClosedAt = ApplyingAt, ApplyingBy = NULL, ApplyingAt = NULL"
                                    " WHERE Id = ? AND ApplyingAt < ?"
                                  : "UPDATE Draft SET ApplyingBy = NULL, ApplyingAt = NULL"
                                    " WHERE Id = ? AND ApplyingAt < ?"),
        what, DraftUnreadable);
    sqlite3_bind_int64(update.get(), 1, draft);
    sqlite3_bind_int64(update.get(), 2, nowMs() - ApplyInFlightMs);
    update.next();
}

void SqliteDrafts::discard(qint64 draft) {
    const QString what = QCoreApplication::translate("store", "Could not discard the draft");
    exec("BEGIN IMMEDIATE", what);
    try {
        // Not from under the editor who has it open: their next edit would meet it gone.
        if (const std::optional<DraftEditor> other = otherEditor(draft, what))
            throw draftHeld(*other);
        if (updateDraft("UPDATE Draft SET State = 2, ClosedBy = ?, ClosedAt = ?"
                        " WHERE Id = ? AND State = 0 AND ApplyingBy IS NULL",
                        draft, what) != 1)
            throw StoreError(DraftNotOpen, QCoreApplication::translate(
                                               "store", "The draft is applied, discarded or being "
                                                        "applied now: it cannot be discarded."));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    exec("COMMIT", what);
}

} // namespace store::history
