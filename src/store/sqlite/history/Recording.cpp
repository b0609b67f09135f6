// The editor's own writes in a file's history: each recorded as pending before the data's
// commit, completed after it or dropped, and the history connections kept between writes.

#include "store/sqlite/history/HistoryFile.h"

#include "store/IdlePool.h"
#include "store/SessionName.h"
#include "store/StoreError.h"
#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"
#include "store/sqlite/history/OwnCommits.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>

#include <sqlite3.h>

namespace store::history {

namespace {

/// History connections kept between the editor's writes, at most one idle per database and a
/// few in all, each closed when a minute passes unused. A connection is used by one write at a
/// time: taken out while in use, handed back after. Another editor may have set the file aside
/// (damaged) or removed it since: a kept connection would go on writing where nobody reads.
IdlePool<HistoryFile>& keptHistories() {
    static IdlePool<HistoryFile> kept({.perKey = 1, .total = 4, .keepFor = std::chrono::minutes(1)},
                                      [](const HistoryFile& file) { return file.reusable(); });
    return kept;
}

/// The description of an item in the state, for the records of that moment.
class StateDescriptions {
public:
    explicit StateDescriptions(sqlite3* db)
        : m_read(statement(db, historyschema::StateDescription)) {}
    std::optional<QString> of(const QString& id) {
        const auto known = m_cache.constFind(id);
        if (known != m_cache.cend())
            return *known;
        m_read.bind(id);
        std::optional<QString> description;
        if (m_read.next())
            description = m_read.optionalText(0);
        m_read.clear();
        m_cache.insert(id, description);
        return description;
    }

private:
    sql::NativeStatement m_read;
    QHash<QString, std::optional<QString>> m_cache;
};

} // namespace

qint64 insertSet(sqlite3* db, bool pending, qint64 time, const QVariant& notBefore, int source,
                 const WriteCommand& command, const std::vector<RowRecord>& rows,
                 const QVariant& counter) {
    sql::NativeStatement set = statement(db, historyschema::InsertSet);
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
    sql::NativeStatement row = statement(db, historyschema::InsertRow);
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
    sql::NativeStatement putLine = statement(db, historyschema::PutStateLine);
    sql::NativeStatement dropLine = statement(db, historyschema::DropStateLine);
    sql::NativeStatement putItem = statement(db, historyschema::PutStateItem);
    sql::NativeStatement dropItem = statement(db, historyschema::DropStateItem);
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

/// Completes the pending change set `set` of these rows. Where the recorded state of a line is
/// not what the write found, another program changed it unseen since the last look: that
/// change is recorded first, as theirs, and the set moves after it, so that the history
/// names each row's values in the order they were written. Then the state moves on.
void completeSet(sqlite3* db, qint64 set, const std::vector<RowRecord>& rows, qint64 lastLook,
                 std::optional<qint64> time) {
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
        sql::NativeStatement last = statement(db, historyschema::NextSetId);
        last.next();
        const qint64 moved = last.integer(0);
        last.clear();
        sql::NativeStatement moveSet = statement(db, historyschema::MoveSet);
        moveSet.bind(moved).bind(set);
        moveSet.run();
        sql::NativeStatement moveRows = statement(db, historyschema::MoveSetRows);
        moveRows.bind(moved).bind(set);
        moveRows.run();
        set = moved;
    }
    sql::NativeStatement done = statement(db, historyschema::CompleteSet);
    done.bind(time.value_or(nowMs())).bind(set);
    done.run();
    applyToState(db, rows);
}

void HistoryFile::writePending(const WriteCommand& command, const std::vector<LineChange>& changes,
                               const std::vector<ItemChange>& items) {
    try {
        auto pending = std::make_unique<Pending>();
        pending->command = command;
        pending->rows = rowRecords(changes, items);
        if (const std::optional<quint32> counter = ownCommitUnderWay(fileKey(m_database)))
            pending->counter = qint64(*counter);
        exec(historyschema::BeginImmediate);
        try {
            pending->set = insertSet(m_db, true, nowMs(), QVariant(),
                                     command.restore ? RestoreSource : EditorSource,
                                     command, pending->rows, pending->counter);
            exec(historyschema::Commit);
        } catch (...) {
            sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
            throw;
        }
        step("pending");
        // Held until the data's commit is done and recorded, so that records complete in the
        // order the data took them.
        exec(historyschema::BeginImmediate);
        pending->locked = true;
        m_pending = std::move(pending);
        step("locked");
    } catch (const StoreError& error) {
        throw StoreError(HistoryNotRecorded,
                         QCoreApplication::translate(
                             "store", "The change was not made: it could not be recorded in the "
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
        sql::NativeStatement state = statement(m_db, historyschema::SetPending);
        state.bind(m_pending->set);
        const std::optional<qint64> pending =
            state.next() ? std::optional<qint64>(state.integer(0)) : std::nullopt;
        state.clear();
        if (!pending) // dropped as stale by another editor's look: recorded again
            m_pending->set = insertSet(m_db, true, nowMs(), QVariant(),
                                       m_pending->command.restore ? RestoreSource : EditorSource,
                                       m_pending->command, m_pending->rows, m_pending->counter);
        if (pending.value_or(1) != 0)
            completeSet(m_db, m_pending->set, m_pending->rows, metaText("checked").toLongLong());
        exec(historyschema::Commit);
        step("completed");
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
    }
    m_pending.reset();
}

void HistoryFile::drop() noexcept {
    if (!m_pending)
        return;
    try {
        sql::NativeStatement rows = statement(m_db, historyschema::DropSetRows);
        rows.bind(m_pending->set);
        rows.run();
        sql::NativeStatement set = statement(m_db, historyschema::DropSet);
        set.bind(m_pending->set);
        set.run();
        exec(historyschema::Commit);
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
    }
    m_pending.reset();
}

FileRecorder::~FileRecorder() {
    if (m_file) {
        const QString key = m_file->database();
        keptHistories().put(key, std::move(m_file));
    }
}

void FileRecorder::pending(const WriteCommand& command, const std::vector<LineChange>& changes) {
    pendingRows(command, changes, {});
}

void FileRecorder::pendingRows(const WriteCommand& command, const std::vector<LineChange>& changes,
                               const std::vector<ItemChange>& items) {
    if (!m_file)
        m_file = keptHistories().take(QFileInfo(m_database).absoluteFilePath());
    if (!m_file) {
        try {
            m_file = std::make_unique<HistoryFile>(m_database);
        } catch (const StoreError& error) {
            throw StoreError(HistoryNotRecorded,
                             QCoreApplication::translate(
                                 "store", "The change was not made: it could not be recorded in "
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

} // namespace store::history
