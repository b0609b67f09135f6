#include "store/postgres/PgStore.h"

#include "store/ItemKey.h"
#include "store/SqlValues.h"
#include "store/LineRules.h"
#include "store/OpenInterruption.h"
#include "store/postgres/PgHistorySql.h"
#include "store/postgres/PgLibpq.h"
#include "store/postgres/PgOwnChanges.h"
#include "store/postgres/PgSql.h"
#include "store/SchemaCheck.h"
#include "store/SessionName.h"
#include "store/WhereUsedWalk.h"

#include <QCoreApplication>
#include <QHash>
#include <QSysInfo>

#include <algorithm>
#include <mutex>
#include <cmath>

namespace store {

using PgStatement = pg::SessionStatement;
using PgTransaction = pg::SessionTransaction;

namespace {

QString readItemMaster() {
    return QCoreApplication::translate("store", "Could not read ItemMaster");
}
QString readBomDetail() {
    return QCoreApplication::translate("store", "Could not read BomDetail");
}

} // namespace

PgStore::PgStore(const QString& uri, OpenInterruption* interruption) {
    const ParsedServerAddress address = pg::checkedAddress(uri);
    bool kept = false;
    m_session = pg::takeSession(address, &kept);
    if (interruption)
        interruption->setStopper([this] { interrupt(); });
    try {
        try {
            checkTables();
        } catch (const StoreError&) {
            // A kept connection that the server ended without a word while it sat idle: the
            // operation goes on, on a new one, as it would have had nothing been kept.
            if (!kept || !m_session->lost())
                throw;
            auto fresh = std::make_unique<pg::Session>(address);
            {
                const std::lock_guard lock(m_sessionMutex);
                std::swap(m_session, fresh);
            }
            checkTables();
        }
    } catch (...) {
        if (interruption)
            interruption->setStopper({});
        throw;
    }
    if (interruption)
        interruption->setStopper({});
}

PgStore::~PgStore() {
    // The next operation on this server takes the connection as it is: no transaction is
    // open, and a connection that was cancelled or lost is closed instead.
    const std::lock_guard lock(m_sessionMutex);
    pg::keepSession(std::move(m_session));
}

void PgStore::interrupt() {
    const std::lock_guard lock(m_sessionMutex);
    if (m_session)
        m_session->cancel();
}

void PgStore::checkTables() { pg::checkTables(*m_session); }

std::vector<ItemLine> PgStore::readItems(bool withDescriptions) {
    // One statement: one state of the table, whoever writes meanwhile.
    PgStatement query(*m_session,
                      withDescriptions ? pgschema::SelectItemLines : pgschema::SelectItemIds,
                      readItemMaster());
    query.exec();
    std::vector<ItemLine> lines;
    while (query.next())
        lines.push_back({query.value(0).toString(),
                         withDescriptions ? optionalText(query.value(1)) : std::nullopt});
    return lines;
}

QStringList PgStore::itemIds() {
    QStringList ids;
    for (ItemLine& line : readItems(false))
        ids.append(std::move(line.id));
    return ids;
}

std::vector<ItemLine> PgStore::itemLines() { return readItems(true); }

std::vector<std::optional<Item>> PgStore::findItems(const QStringList& ids) {
    std::vector<std::optional<Item>> found(size_t(ids.size()));
    if (ids.isEmpty())
        return found;
    QHash<QString, std::vector<size_t>> wanted; // the places of each key among `ids`
    for (qsizetype at = 0; at < ids.size(); ++at)
        wanted[foldKey(ids.at(at))].push_back(size_t(at));
    PgStatement query(*m_session, pgschema::SelectItemsByKey, readItemMaster());
    query.bind(pg::keyArray(ids)).exec();
    while (query.next()) {
        const Item item{query.value(0).toString(), optionalText(query.value(1)),
                        optionalText(query.value(2))};
        for (const size_t at : wanted.value(foldKey(item.id)))
            found[at] = item;
    }
    return found;
}

QStringList PgStore::components(const QString& assembly) {
    PgStatement query(*m_session, pgschema::SelectComponents, readBomDetail());
    query.bind(assembly).exec();
    QStringList result;
    while (query.next())
        result.append(query.value(0).toString());
    return result;
}

namespace {

std::optional<QString> textOrNone(const PgStatement& query, int column) {
    if (query.isNull(column))
        return std::nullopt;
    return query.string(column);
}

/// Reads the rows of SelectComponentLines' shape, assembly by assembly, calling
/// `take(assembly, line)` for each. Items repeat from line to line: their facts are shared,
/// not copied per line.
template <typename Take> void readComponentLines(PgStatement& query, Take take) {
    struct Facts {
        std::optional<QString> unit;
        std::optional<QString> description;
        bool known;
    };
    QHash<QString, Facts> facts;
    while (query.next()) {
        const QString component = query.string(1);
        const QString key = foldKey(component);
        auto fact = facts.constFind(key);
        if (fact == facts.cend())
            fact = facts.insert(key, {textOrNone(query, 3), textOrNone(query, 4),
                                      query.value(5).toBool()});
        take(query.string(0), ComponentLine{component, query.number(2), fact->unit,
                                            fact->description, fact->known, query.string(6)});
    }
}

} // namespace

std::vector<ComponentLines> PgStore::componentsOfEach(const QStringList& assemblies) {
    std::vector<ComponentLines> result(size_t(assemblies.size()));
    if (assemblies.isEmpty())
        return result;
    // Several asked IDs may be one item: each gets the lines.
    QHash<QString, QList<size_t>> askedAs;
    for (qsizetype i = 0; i < assemblies.size(); ++i)
        askedAs[foldKey(assemblies.at(i))].append(size_t(i));

    PgStatement query(*m_session, pgschema::SelectComponentLines, readBomDetail());
    query.bind(pg::keyArray(assemblies)).exec();
    QString lastAssembly;
    const QList<size_t>* targets = nullptr;
    readComponentLines(query, [&](const QString& assembly, const ComponentLine& line) {
        if (!targets || assembly != lastAssembly) {
            lastAssembly = assembly;
            targets = &askedAs[foldKey(assembly)];
        }
        for (size_t target : *targets)
            result[target].append(line);
    });
    return result;
}

namespace {

/// The lines of a statement of SelectComponentLines' shape, by folded assembly ID.
QHash<QString, ComponentLines> linesByAssembly(PgStatement& query) {
    QHash<QString, ComponentLines> result;
    QString lastAssembly;
    ComponentLines* lines = nullptr;
    readComponentLines(query, [&](const QString& assembly, const ComponentLine& line) {
        if (!lines || assembly != lastAssembly) {
            lastAssembly = assembly;
            lines = &result[foldKey(assembly)];
        }
        lines->append(line);
    });
    return result;
}

} // namespace

QHash<QString, ComponentLines> PgStore::allComponentLines() {
    PgStatement query(*m_session, pgschema::SelectAllComponentLines, readBomDetail());
    query.exec();
    return linesByAssembly(query);
}

QHash<QString, ComponentLines> PgStore::reachableLines(const QString& item) {
    PgStatement query(*m_session, pgschema::SelectReachableLines, readBomDetail());
    query.bind(item).exec();
    return linesByAssembly(query);
}

qint64 PgStore::lineEstimate() {
    PgStatement estimate(*m_session, pgschema::SelectLineEstimate, readBomDetail());
    estimate.exec();
    if (estimate.next() && estimate.value(0).toLongLong() >= 0)
        return estimate.value(0).toLongLong();
    PgStatement count(*m_session, pgschema::CountLines, readBomDetail());
    count.exec();
    return count.next() ? count.value(0).toLongLong() : 0;
}

bool PgStore::hasLines(const QString& assembly) { return !components(assembly).isEmpty(); }

std::vector<WhereUsedRow> PgStore::whereUsed(const QString& item, const ReadProgress&) {
    pg::Session& db = *m_session;
    const PgTransaction snapshot(db, readBomDetail(), PgTransaction::Kind::Snapshot);
    UpwardWalk walk;
    {
        PgStatement lines(db, pgschema::SelectLinesAbove, readBomDetail());
        lines.bind(item).exec();
        while (lines.next()) {
            const QVariant stored = lines.value(2);
            bool number = true;
            const double quantity = stored.isNull() ? 0 : stored.toDouble(&number);
            const auto kind = stored.isNull() ? UpwardWalk::Quantity::Null
                              : number        ? UpwardWalk::Quantity::Number
                                              : UpwardWalk::Quantity::NotANumber;
            walk.addLine(lines.value(0).toString().toUtf8(), lines.value(1).toString().toUtf8(),
                         kind, quantity);
        }
    }
    std::vector<WhereUsedRow> rows = walk.walk(item);
    if (rows.empty())
        return rows;
    QStringList spellings;
    for (size_t at = 0; at < rows.size(); ++at)
        spellings.append(QString::fromUtf8(walk.spelling(at)));
    PgStatement master(db, pgschema::SelectItemsByKey, readItemMaster());
    master.bind(pg::keyArray(spellings)).exec();
    while (master.next()) {
        const QString id = master.value(0).toString();
        const int row = walk.rowOf(id.toUtf8());
        if (row < 0)
            continue;
        rows[size_t(row)].inItemMaster = true;
        rows[size_t(row)].assembly = id;
        rows[size_t(row)].description = optionalText(master.value(1));
        rows[size_t(row)].unit = optionalText(master.value(2));
    }
    for (size_t at = 0; at < rows.size(); ++at)
        if (!rows[at].inItemMaster)
            rows[at].assembly = spellings.at(qsizetype(at));
    return rows;
}

namespace {

/// The rows a statement's RETURNING clause gives, in the shape of SelectLineRow.
std::vector<LineRow> returnedRows(PgStatement& statement) {
    std::vector<LineRow> rows;
    while (statement.next())
        rows.push_back({statement.value(0).toString(), statement.value(1).toString(),
                        statement.value(2), statement.value(3)});
    return rows;
}

} // namespace

namespace {

QLatin1StringView textOf(Sql which) {
    switch (which) {
    case Sql::SelectItem:
        return pgschema::SelectItem;
    case Sql::SelectLine:
        return pgschema::SelectLine;
    case Sql::SelectLineRow:
        return pgschema::SelectLineRow;
    case Sql::SelectLineRowsOf:
        return pgschema::SelectLineRowsOf;
    case Sql::SelectLineRowsUsing:
        return pgschema::SelectLineRowsUsing;
    case Sql::SelectReaches:
        return pgschema::SelectReaches;
    case Sql::InsertLine:
        return pgschema::InsertLine;
    case Sql::DeleteLineAsIs:
        return pgschema::DeleteLineAsIs;
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace

std::unique_ptr<Statement> PgStore::prepare(Sql which, const QString& what, int failureNumber) {
    return std::make_unique<PgStatement>(*m_session, textOf(which), what, failureNumber);
}

std::unique_ptr<Transaction> PgStore::beginWrite(const QString& what, Lock lock) {
    // Refused before anything is sent, in words: a standby's own refusal names a LOCK TABLE
    // that nobody asked for.
    if (!m_session->readOnly().isEmpty())
        throw StoreError(StandbyReadOnly,
                         QStringLiteral("%1: %2.").arg(what, m_session->readOnly()));
    // Who writes and in which command, for the history's triggers where the server keeps one
    // (set all the same where it does not: the settings then go nowhere), together with the
    // structure lock where one is taken, sent with the BEGIN: no round trip more for a write.
    const QLatin1StringView mark =
        lock == Lock::Structure ? pgschema::MarkWriterAndLock : pgschema::MarkWriter;
    pg::Call first{QByteArray(mark.data(), mark.size()), {}};
    for (const QVariant& value :
         {QVariant(systemUserName()), QVariant(QSysInfo::machineHostName()),
          QVariant(command().name), QVariant(command().reason),
          QVariant(command().restore ? QStringLiteral("restore") : QStringLiteral("editor"))})
        first.parameters.push_back(pg::parameterOf(value));
    pg::Result marked;
    auto transaction = std::make_unique<PgTransaction>(*m_session, what, first, &marked);
    // The server's id of this transaction: the history lists its change set as this editor's.
    PgStatement said(*m_session, mark, what, WriteFailed);
    said.adopt(std::move(marked));
    if (said.next())
        pg::noteOwnChangeSet(m_session->address(),
                             said.value(pgschema::MarkedTransactionColumn).toLongLong());
    return transaction;
}

std::optional<LineRow> PgStore::takeRow(const QString& assembly, const QString& component,
                                        const QString& what) {
    // One statement: no other editor's change can come between what is returned and what is
    // deleted.
    PgStatement take(*m_session, pgschema::TakeLine, what, WriteFailed);
    take.bind(assembly).bind(component).exec();
    std::vector<LineRow> rows = returnedRows(take);
    if (rows.size() > 1)
        throw errors::lineNotUnique(assembly, component, int(rows.size()));
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

LineRow PgStore::updateRow(const QString& assembly, const QString& component,
                           const QVariant& expected, const QVariant* startDate,
                           const QVariant& quantity, const QString& what) {
    PgStatement update(*m_session,
                       startDate ? pgschema::UpdateQuantityAsIs : pgschema::UpdateQuantity, what,
                       WriteFailed);
    update.bind(quantity).bind(assembly).bind(component).bind(expected);
    if (startDate)
        update.bind(*startDate);
    update.exec();
    std::vector<LineRow> rows = returnedRows(update);
    errors::requireOneLine(qsizetype(rows.size()), assembly, component);
    return std::move(rows.front());
}

BatchRefusals PgStore::checkLines(const LineBatch& batch) {
    const PgTransaction snapshot(*m_session, readBomDetail(), PgTransaction::Kind::Snapshot);
    return refusalsOf(batch);
}

std::vector<std::optional<LineRow>> PgStore::findLines(const std::vector<LineRow>& rows) {
    std::vector<std::optional<LineRow>> found(rows.size());
    if (rows.empty())
        return found;
    QStringList assemblies, components;
    for (const LineRow& row : rows) {
        assemblies.append(row.assembly);
        components.append(row.component);
    }
    PgStatement query(*m_session, pgschema::SelectLineRowsByKey, readBomDetail());
    query.bind(pg::keyArray(assemblies)).bind(pg::keyArray(components)).exec();
    QHash<QString, LineRow> stored;
    for (LineRow& line : returnedRows(query))
        stored.insert(foldKey(line.assembly) + QChar(0) + foldKey(line.component), std::move(line));
    for (size_t at = 0; at < rows.size(); ++at)
        if (const auto line = stored.constFind(foldKey(rows[at].assembly) + QChar(0) +
                                               foldKey(rows[at].component));
            line != stored.cend())
            found[at] = *line;
    return found;
}

void PgStore::insertRows(const std::vector<LineRow>& rows, const QString& what) {
    // Many rows a statement: a round trip to the server costs more than the insert of a row.
    constexpr size_t perStatement = 250;
    for (size_t first = 0; first < rows.size(); first += perStatement) {
        const size_t count = std::min(perStatement, rows.size() - first);
        QByteArray sql(pgschema::InsertLinesHead.data(), pgschema::InsertLinesHead.size());
        for (size_t i = 0; i < count; ++i) {
            if (i > 0)
                sql += ", ";
            sql.append(pgschema::InsertLinesRow.data(), pgschema::InsertLinesRow.size());
        }
        PgStatement insert(*m_session, QLatin1StringView(sql), what, WriteFailed);
        for (size_t i = first; i < first + count; ++i)
            insert.bind(rows[i].assembly)
                .bind(rows[i].component)
                .bind(rows[i].quantity)
                .bind(rows[i].startDate);
        insert.exec();
    }
}

namespace pg {

void checkTables(Session& session) {
    // The catalog reads in one round trip.
    const QString readTables = QCoreApplication::translate("store", "Could not read the tables");
    const auto call = [](QLatin1StringView sql) {
        return pg::Call{QByteArray(sql.data(), sql.size()), {}};
    };
    std::vector<pg::Result> results =
        session.run({call(pgschema::SelectColumns), call(pgschema::SelectUniqueIndexKeys),
                     call(pgschema::SelectColumnTypes)},
                    readTables, QueryFailed);
    {
        SessionStatement types(session, pgschema::SelectColumnTypes, readTables);
        types.adopt(std::move(results[2]));
        const QByteArray found = types.next() ? types.string(0).toUtf8() : QByteArray();
        QByteArray& known = session.tableTypes();
        if (!known.isNull() && known != found)
            session.forgetPrepared(readTables);
        known = found.isNull() ? QByteArray("") : found;
    }
    const QString shown = QStringLiteral("'%1'").arg(session.uri());
    std::vector<TableColumn> columns;
    SessionStatement query(session, pgschema::SelectColumns, readTables);
    query.adopt(std::move(results[0]));
    while (query.next())
        columns.push_back({query.string(0), query.string(1), query.value(2).toInt(),
                           query.value(3).toBool()});
    checkColumns(columns, shown);
    std::vector<IndexKey> keys;
    SessionStatement indexes(
        session, pgschema::SelectUniqueIndexKeys,
        QCoreApplication::translate("store", "Could not read the tables' indexes"));
    indexes.adopt(std::move(results[1]));
    while (indexes.next())
        keys.push_back({indexes.string(0), indexes.value(1).toLongLong(), indexes.string(2),
                        indexes.string(3)});
    checkKeyIndexes(keys, shown);
}

} // namespace pg

} // namespace store
