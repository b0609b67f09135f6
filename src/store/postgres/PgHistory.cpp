#include "store/postgres/PgHistory.h"
#include "store/postgres/PgDrafts.h"

#include "store/ItemKey.h"
#include "store/SessionName.h"
#include "store/SqlValues.h"
#include "store/postgres/PgHistorySql.h"
#include "store/postgres/PgOwnChanges.h"
#include "store/postgres/PgSql.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

namespace store::pg {

namespace {

/// A kept connection for one operation, kept again after it (PgSession.h).
class HeldSession {
public:
    explicit HeldSession(const QString& location) : m_session(takeSession(location)) {}
    ~HeldSession() { keepSession(std::move(m_session)); }
    HeldSession(const HeldSession&) = delete;
    HeldSession& operator=(const HeldSession&) = delete;
    Session& operator*() const { return *m_session; }

private:
    std::unique_ptr<Session> m_session;
};

/// A time the server gave as ISO text (to_char), in UTC.
QDateTime timeOf(const QVariant& text) {
    return QDateTime::fromString(text.toString(), Qt::ISODateWithMs).toUTC();
}

/// A moment as the server reads it, to the millisecond.
QString momentText(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

StoreError noRight(const QString& user, const QString& right, const QString& shown) {
    return StoreError(HistoryNoRight,
                      QCoreApplication::translate(
                          "store", "The user '%1' may not keep the history of changes on '%2': "
                                   "it lacks the right %3.")
                          .arg(user, shown, right));
}

/// A column of a row image as the store reads the column: Null as an invalid QVariant.
QVariant columnOf(const QJsonObject& row, const char* column) {
    const QJsonValue value = row.value(QLatin1StringView(column));
    if (value.isNull() || value.isUndefined())
        return {};
    return value.toVariant();
}

std::optional<QString> textOf(const QJsonObject& row, const char* column) {
    const QJsonValue value = row.value(QLatin1StringView(column));
    if (value.isNull() || value.isUndefined())
        return std::nullopt;
    return value.toString();
}

RowImage imageOf(const QVariant& json, bool line) {
    RowImage image;
    if (json.isNull())
        return image;
    const QJsonObject row = QJsonDocument::fromJson(json.toString().toUtf8()).object();
    image.exists = true;
    if (line) {
        image.quantity = columnOf(row, "bomqtyreq");
        image.startDate = columnOf(row, "startdate");
    } else {
        image.description = textOf(row, "itemdesc");
        image.unit = textOf(row, "itemuom");
    }
    return image;
}

ChangeSource sourceOf(const QString& letter) {
    if (letter == QLatin1StringView("T"))
        return ChangeSource::ThisEditor;
    if (letter == QLatin1StringView("R"))
        return ChangeSource::Restore;
    if (letter == QLatin1StringView("E"))
        return ChangeSource::AnotherEditor;
    return ChangeSource::AnotherProgram;
}

QVariant letterOf(const std::optional<ChangeSource>& source) {
    if (!source)
        return {};
    switch (*source) {
    case ChangeSource::ThisEditor:
        return QStringLiteral("T");
    case ChangeSource::Restore:
        return QStringLiteral("R");
    case ChangeSource::AnotherEditor:
        return QStringLiteral("E");
    case ChangeSource::AnotherProgram:
        break;
    }
    return QStringLiteral("P");
}

/// A quantity as a load shows it: none for Null or for text that is not a number.
std::optional<double> quantityOf(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    bool number = false;
    const double quantity = value.toDouble(&number);
    return number ? std::optional<double>(quantity) : std::nullopt;
}

} // namespace

QStringList enableHistory(const QString& location) {
    const HeldSession session(location);
    Session& db = *session;
    const QString& shown = db.uri();
    const QString what =
        QCoreApplication::translate("store", "Could not keep the history of changes on '%1'")
            .arg(shown);
    SessionTransaction transaction(db, what);
    db.execute(pgschema::QuietNotices, what, HistoryUnreadable);
    // `earlier`: a history made by an earlier editor, brought up to date (its triggers too).
    bool schema = false, itemTrigger = false, lineTrigger = false, earlier = false;
    QString user;
    {
        // The rights first: a user who may not make the history is told which right it
        // lacks, whatever the tables' check would find under those rights.
        SessionStatement state(db, pgschema::SelectHistoryState, what, HistoryUnreadable);
        state.exec();
        if (!state.next())
            throw StoreError(HistoryUnreadable, what + QLatin1Char('.'));
        schema = state.value(0).toBool();
        itemTrigger = state.value(1).toBool();
        lineTrigger = state.value(2).toBool();
        earlier = schema && !state.value(10).toBool();
        user = state.value(6).toString();
        if (!schema && !state.value(3).toBool())
            throw noRight(user,
                          QCoreApplication::translate("store", "CREATE on the database '%1'")
                              .arg(state.value(7).toString()),
                          shown);
        if ((!itemTrigger || earlier) && !state.value(4).toBool())
            throw noRight(user,
                          QCoreApplication::translate("store", "TRIGGER on the table ItemMaster"),
                          shown);
        if ((!lineTrigger || earlier) && !state.value(5).toBool())
            throw noRight(user,
                          QCoreApplication::translate("store", "TRIGGER on the table BomDetail"),
                          shown);
        // The triggers' functions run with this user's rights: a TRUNCATE's rows are read.
        if (!state.value(8).toBool())
            throw noRight(user,
                          QCoreApplication::translate("store", "SELECT on the table ItemMaster"),
                          shown);
        if (!state.value(9).toBool())
            throw noRight(
                user, QCoreApplication::translate("store", "SELECT on the table BomDetail"), shown);
    }
    // The same check as every open of the server.
    checkTables(db);
    QStringList created;
    if (earlier) {
        // The triggers made anew first: their locks wait for every write under way and hold
        // the next until the commit, so that no write is recorded half by the old functions.
        for (QLatin1StringView sql : pgschema::CreateItemMasterHistoryTriggers)
            db.execute(sql, what, HistoryUnreadable);
        for (QLatin1StringView sql : pgschema::CreateBomDetailHistoryTriggers)
            db.execute(sql, what, HistoryUnreadable);
    }
    if (!schema) {
        for (QLatin1StringView sql : pgschema::CreateHistorySchema)
            db.execute(sql, what, HistoryUnreadable);
        created.append(QCoreApplication::translate(
            "store", "the schema bom_history (its tables change, change_set, "
                     "kept and gap, its functions record, record_truncate, "
                     "stamp_commit and check_triggers)"));
    } else if (earlier) {
        created.append(QCoreApplication::translate(
                           "store", "the history's order of commits and check of its "
                                    "triggers, its functions running with the rights of '%1', "
                                    "nobody else writing there")
                           .arg(user));
    }
    // Every time: harmless where done, and a schema of an earlier editor is brought up to it.
    for (QLatin1StringView sql : pgschema::HistoryUpToDate)
        db.execute(sql, what, HistoryUnreadable);
    // The triggers made anew above are the ones the fingerprint starts from.
    if (earlier)
        db.execute(pgschema::RestartTriggerState, what, HistoryUnreadable);
    if (!itemTrigger && !earlier)
        for (QLatin1StringView sql : pgschema::CreateItemMasterHistoryTriggers)
            db.execute(sql, what, HistoryUnreadable);
    if (!itemTrigger)
        created.append(QCoreApplication::translate("store", "the triggers on ItemMaster"));
    if (!lineTrigger && !earlier)
        for (QLatin1StringView sql : pgschema::CreateBomDetailHistoryTriggers)
            db.execute(sql, what, HistoryUnreadable);
    if (!lineTrigger)
        created.append(QCoreApplication::translate("store", "the triggers on BomDetail"));
    created += createDraftTables(db);
    // A table that had lost its trigger was written unrecorded: no earlier state can be
    // rebuilt from the changes since, so the history is kept from now.
    if (!schema || !itemTrigger || !lineTrigger)
        for (QLatin1StringView sql : pgschema::InsertKeptSince)
            db.execute(sql, what, HistoryUnreadable);
    transaction.commit();
    return created;
}

void disableHistory(const QString& location) {
    const HeldSession session(location);
    Session& db = *session;
    const QString what =
        QCoreApplication::translate("store", "Could not remove the history of changes on '%1'")
            .arg(db.uri());
    SessionTransaction transaction(db, what);
    // "drop cascades to …" notices are no news to anyone.
    db.execute(pgschema::QuietNotices, what, HistoryUnreadable);
    db.execute(pgschema::DropHistory, what, HistoryUnreadable);
    transaction.commit();
}

PgHistoryLog::PgHistoryLog(const QString& location)
    : m_session(takeSession(location)) {
    SessionStatement present(
        *m_session, pgschema::SelectHistoryPresent,
        QCoreApplication::translate("store", "Could not read the history of '%1'")
            .arg(m_session->uri()),
        HistoryUnreadable);
    present.exec();
    if (!present.next() || !present.value(0).toBool())
        throw StoreError(HistoryNotKept,
                         QCoreApplication::translate("store",
                                                     "'%1' keeps no history of changes (bom-import "
                                                     "--enable-history turns it on).")
                             .arg(m_session->uri()));
    if (!present.value(1).toBool())
        throw StoreError(HistoryUnreadable,
                         QCoreApplication::translate(
                             "store", "The history of changes on '%1' was made by an earlier "
                                      "editor and knows neither the order of its commits nor "
                                      "its gaps: bom-import --enable-history brings it up to "
                                      "date.")
                             .arg(m_session->uri()));
}

PgHistoryLog::~PgHistoryLog() {
    keepSession(std::move(m_session));
}

std::optional<HistoryTriggers> PgHistoryLog::gapAfter(const QDateTime& moment) {
    const QString what = QCoreApplication::translate("store", "Could not read the history of '%1'")
                             .arg(m_session->uri());
    SessionStatement gap(*m_session, pgschema::SelectGapAfter, what, HistoryUnreadable);
    gap.bind(momentText(moment)).exec();
    if (!gap.next())
        return std::nullopt;
    QStringList columns;
    for (int column = 0; column < 5; ++column)
        columns.append(gap.value(column).isNull() ? QString()
                       : column == 0             ? QStringLiteral("t")
                                                 : gap.value(column).toString());
    return HistoryTriggers::read(columns);
}

QDateTime PgHistoryLog::readKeptSince() {
    const QString what = QCoreApplication::translate("store", "Could not read the history of '%1'")
                             .arg(m_session->uri());
    SessionStatement since(*m_session, pgschema::SelectKeptSince, what, HistoryUnreadable);
    since.exec();
    if (!since.next())
        throw StoreError(
            HistoryUnreadable,
            what + QCoreApplication::translate("store", ": it says not since when it is kept."));
    return timeOf(since.value(0));
}

QDateTime PgHistoryLog::keptSince() {
    return readKeptSince();
}

qint64 PgHistoryLog::forgetBefore(const QDateTime& moment, const ReadProgress& progress) {
    Session& db = *m_session;
    const QString what =
        QCoreApplication::translate("store", "Could not forget changes in the history of '%1'")
            .arg(m_session->uri());
    qint64 total = 0;
    {
        SessionStatement count(db, pgschema::CountChangesBefore, what, HistoryUnreadable);
        count.bind(momentText(moment)).exec();
        total = count.next() ? count.value(0).toLongLong() : 0;
    }
    qint64 done = 0;
    // Oldest first, a piece per transaction, the kept start moved with each: a stop leaves a
    // history that is whole from where it stopped.
    for (;;) {
        SessionTransaction piece(db, what);
        qint64 forgotten = 0, sets = 0;
        QString newest;
        {
            SessionStatement forget(db, pgschema::ForgetOldest, what, HistoryUnreadable);
            forget.bind(momentText(moment)).exec();
            if (forget.next()) {
                forgotten = forget.value(0).toLongLong();
                newest = forget.value(1).toString();
                sets = forget.value(2).toLongLong();
            }
        }
        {
            SessionStatement since(db, pgschema::MoveKeptSince, what, HistoryUnreadable);
            since.bind(sets == 0 ? momentText(moment)
                                      : momentText(QDateTime::fromString(newest, Qt::ISODateWithMs)
                                                       .addMSecs(1)))
                .exec();
        }
        piece.commit();
        if (sets == 0)
            break;
        done += forgotten;
        if (progress && !progress(done, total))
            break;
    }
    return done;
}

qint64 PgHistoryLog::changeCount() {
    SessionStatement count(
        *m_session, pgschema::CountChanges,
        QCoreApplication::translate("store", "Could not read the history of '%1'")
            .arg(m_session->uri()),
        HistoryUnreadable);
    count.exec();
    return count.next() ? count.value(0).toLongLong() : 0;
}

std::vector<ChangeRecord> PgHistoryLog::changes(const HistoryQuery& query) {
    Session& db = *m_session;
    const QString what = QCoreApplication::translate("store", "Could not read the history of '%1'")
                             .arg(m_session->uri());
    const SessionTransaction snapshot(db, what, SessionTransaction::Kind::Snapshot);
    SessionStatement select(db, pgschema::SelectChanges, what, HistoryUnreadable);
    const bool oneLine = query.assemblies.size() == 1 && !query.component.isEmpty();
    select.bind(ownChangeSets(m_session->address()))
        .bind(query.assemblies.isEmpty() ? QVariant() : QVariant(keyArray(query.assemblies)))
        .bind(oneLine ? QVariant(query.component) : QVariant())
        .bind(query.item.isEmpty() ? QVariant() : QVariant(query.item))
        .bind(query.since ? QVariant(momentText(*query.since)) : QVariant())
        .bind(query.until ? QVariant(momentText(*query.until)) : QVariant())
        .bind(query.person.isEmpty() ? QVariant() : QVariant(query.person))
        .bind(letterOf(query.source))
        .bind(qMax(0, query.limit))
        .bind(query.changeSet ? QVariant(*query.changeSet) : QVariant());
    select.exec();
    std::vector<ChangeRecord> records;
    while (select.next()) {
        ChangeRecord record;
        const bool line = select.value(8).toString() == QLatin1StringView("bomdetail");
        record.changeSet = select.value(0).toLongLong();
        record.time = timeOf(select.value(1));
        record.person = select.value(2).toString();
        record.host = select.value(3).toString();
        record.source = sourceOf(select.value(4).toString());
        record.program = select.value(5).toString();
        record.command = select.value(6).toString();
        record.reason = select.value(7).toString();
        record.table = line ? schema::BomDetail : schema::ItemMaster;
        record.key = select.value(9).toString();
        record.component = select.value(10).toString();
        record.before = imageOf(select.value(11), line);
        record.after = imageOf(select.value(12), line);
        if (select.value(15).toBool())
            record.keyDescription = optionalText(select.value(13));
        if (select.value(16).toBool())
            record.componentDescription = optionalText(select.value(14));
        record.claimedBy = select.value(17).toString();
        records.push_back(std::move(record));
    }
    return records;
}

LinesAsOf PgHistoryLog::linesAsOf(const QString& item, const QDateTime& moment) {
    Session& db = *m_session;
    const QString what = QCoreApplication::translate("store", "Could not read the history of '%1'")
                             .arg(m_session->uri());
    // The triggers checked first, outside the snapshot: an alteration not seen yet is
    // recorded as a gap now, whether or not a watch was running when it was made.
    {
        SessionStatement check(db, pgschema::CheckHistoryTriggers, what, HistoryUnreadable);
        check.exec();
    }
    const SessionTransaction snapshot(db, what, SessionTransaction::Kind::Snapshot);
    const QDateTime since = readKeptSince();
    if (moment < since)
        throw StoreError(
            HistoryTooOld,
            QCoreApplication::translate("store", "The history of '%1' is kept since %2 only.")
                .arg(m_session->uri(), since.toLocalTime().toString(schema::StartDateFormat)));
    if (const std::optional<HistoryTriggers> gap = gapAfter(moment))
        throw StoreError(HistoryGap, gapRefusal(m_session->uri(), *gap));
    SessionStatement select(db, pgschema::SelectReachableLinesAsOf, what, HistoryUnreadable);
    select.bind(momentText(moment)).bind(item).exec();
    LinesAsOf lines;
    QString lastAssembly;
    ComponentLines* current = nullptr;
    while (select.next()) {
        const QString assembly = select.value(0).toString();
        if (!current || assembly != lastAssembly) {
            lastAssembly = assembly;
            current = &lines[foldKey(assembly)];
        }
        current->append(ComponentLine{select.value(1).toString(), quantityOf(select.value(2)),
                                      optionalText(select.value(3)), optionalText(select.value(4)),
                                      select.value(5).toBool(), select.value(6).toString()});
    }
    return lines;
}

} // namespace store::pg
