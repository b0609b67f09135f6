#include "store/postgres/PgImportWriter.h"

#include "store/ItemKey.h"
#include "store/postgres/PgChangeSql.h"
#include "store/postgres/PgHistorySql.h"
#include "store/postgres/PgOwnChanges.h"
#include "store/postgres/PgSql.h"
#include "store/SchemaCheck.h"
#include "store/SessionName.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QSysInfo>

namespace store {

using PgStatement = pg::SessionStatement;

namespace {

/// An insert of `rows` rows: the head and the row pattern repeated. Built from the store's
/// own texts and a count only; every value goes in as a bound parameter.
QByteArray batchInsert(QLatin1StringView head, QLatin1StringView row, int rows) {
    QByteArray sql(head.data(), head.size());
    sql.reserve(head.size() + rows * (row.size() + 2));
    for (int i = 0; i < rows; ++i) {
        if (i > 0)
            sql += ", ";
        sql.append(row.data(), row.size());
    }
    return sql;
}

/// A text column's value for the server: Null stays Null and the empty text stays empty text
/// (the driver sends a null QString as NULL, so an empty one must not be null).
QVariant optionalValue(const std::optional<QString>& text) {
    if (!text)
        return QVariant();
    if (text->isNull())
        return QVariant(QStringLiteral(""));
    return QVariant(*text);
}

QString lineKey(const QString& assembly, const QString& component) {
    // A folded ID may hold any character but NUL, which text on the server cannot hold.
    return foldKey(assembly) + QChar(u'\0') + foldKey(component);
}

/// Throws the store's own numbers unless the two tables are there with the columns and keys
/// the editor relies on; the same check as every open of a server.
} // namespace

std::unique_ptr<PgImportWriter> PgImportWriter::intoEmpty(const QString& uri) {
    return std::unique_ptr<PgImportWriter>(new PgImportWriter(uri, Mode::Empty));
}

std::unique_ptr<PgImportWriter> PgImportWriter::intoExisting(const QString& uri) {
    return std::unique_ptr<PgImportWriter>(new PgImportWriter(uri, Mode::Existing));
}

QStringList PgImportWriter::createTables(const QString& uri) {
    pg::Session session(uri);
    const QString what = QCoreApplication::translate("store", "Could not create the tables on '%1'")
                             .arg(session.uri());
    pg::SessionTransaction transaction(session, what);
    PgStatement present(session, pgschema::SelectTablesPresent, what);
    present.exec();
    if (!present.next())
        throw StoreError(WriteFailed, what + QCoreApplication::translate(
                                                 "store", ": the server did not answer."));
    session.execute(pgschema::QuietNotices, what, WriteFailed);
    QStringList created;
    if (!present.value(0).toBool())
        created.append(QStringLiteral("ItemMaster"));
    if (!present.value(1).toBool())
        created.append(QStringLiteral("BomDetail"));
    for (QLatin1StringView sql : pgschema::CreateTables)
        session.execute(sql, what, WriteFailed);
    // The triggers that tell editors of each other's changes, on tables old and new.
    session.execute(pgschema::CreateChangeFunction, what, WriteFailed);
    session.execute(pgschema::CreateChangeTriggers, what, WriteFailed);
    // Tables that were there already may lack what the editor needs: better said now than
    // at the first open.
    pg::checkTables(session);
    transaction.commit();
    return created;
}

PgImportWriter::PgImportWriter(const QString& uri, Mode mode)
    : m_session(std::make_unique<pg::Session>(uri)), m_mode(mode) {
    pg::Session& db = *m_session;
    const QString shown = m_session->uri();
    try {
        db.execute(pgschema::Begin,
                   QCoreApplication::translate("store", "Could not start writing '%1'").arg(shown),
                   ImportOutputFailed);
        m_inTransaction = true;
        db.execute(pgschema::QuietNotices,
                   QCoreApplication::translate("store", "Could not start writing '%1'").arg(shown),
                   ImportOutputFailed);
        // The structure lock of the editors' drops, before any table lock (the order in which
        // they take them): a drop checked while the import's lines are not committed yet
        // could otherwise close a cycle through them.
        db.execute(
            pgschema::LockStructure,
            QCoreApplication::translate("store", "Could not lock the tables on '%1'").arg(shown),
            ImportOutputFailed);
        // Its rows are one change for the editors: one notice at the commit says so, and the
        // triggers stay quiet for its thousands of statements.
        db.execute(pgschema::QuietChangeTriggers,
                   QCoreApplication::translate("store", "Could not start writing '%1'").arg(shown),
                   ImportOutputFailed);
        if (mode == Mode::Empty) {
            PgStatement present(
                db, pgschema::SelectTablesPresent,
                QCoreApplication::translate("store", "Could not read the tables on '%1'")
                    .arg(shown),
                ImportOutputFailed);
            present.exec();
            const bool created = present.next() &&
                                 !(present.value(0).toBool() && present.value(1).toBool());
            const QString what =
                QCoreApplication::translate("store", "Could not create the tables on '%1'")
                    .arg(shown);
            for (QLatin1StringView sql : pgschema::CreateTables)
                db.execute(sql, what, ImportOutputFailed);
            // Tables it made carry the change triggers, as those of --create-schema do.
            if (created) {
                db.execute(pgschema::CreateChangeFunction, what, ImportOutputFailed);
                db.execute(pgschema::CreateChangeTriggers, what, ImportOutputFailed);
            }
        }
        pg::checkTables(db);
        db.execute(
            pgschema::LockTablesForImport,
            QCoreApplication::translate("store", "Could not lock the tables on '%1'").arg(shown),
            ImportOutputFailed);
        m_itemsBefore = count(pgschema::CountItems,
                              QCoreApplication::translate("store", "Could not count ItemMaster"));
        m_linesBefore = count(pgschema::CountLines,
                              QCoreApplication::translate("store", "Could not count BomDetail"));
        if (mode == Mode::Empty && (m_itemsBefore > 0 || m_linesBefore > 0))
            throw StoreError(ImportServerNotEmpty,
                             QCoreApplication::translate(
                                 "store", "'%1' holds %2 ItemMaster and %3 BomDetail rows "
                                          "already; a database is copied only into empty "
                                          "tables (CSV rows can be added with --into).")
                                 .arg(shown)
                                 .arg(m_itemsBefore)
                                 .arg(m_linesBefore));
    } catch (...) {
        rollback();
        throw;
    }
    m_items.reserve(BatchRows);
    m_lines.reserve(BatchRows);
}

PgImportWriter::~PgImportWriter() {
    rollback();
}

void PgImportWriter::rollback() {
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    // On a lost connection the server has rolled back already; the statement then just fails.
    try {
        m_session->execute(pgschema::Rollback, QString(), ImportOutputFailed);
    } catch (const StoreError&) {
    }
}

qint64 PgImportWriter::count(QLatin1StringView sql, const QString& what) {
    PgStatement query(*m_session, sql, what, ImportOutputFailed);
    query.exec();
    if (!query.next())
        throw StoreError(ImportOutputFailed,
                         what + QCoreApplication::translate("store", ": no answer."));
    return query.value(0).toLongLong();
}

void PgImportWriter::checkText(const std::optional<QString>& text, QLatin1StringView field,
                             const std::function<QString()>& where) {
    if (!text)
        return;
    checkLength(*text, field, where);
    // Refused here, naming the row: the server would answer with a message about a quoted
    // string that no one wrote.
    if (text->contains(QChar(u'\0')))
        throw StoreError(ImportTextHoldsNul,
                         QCoreApplication::translate(
                             "store", "%1: the %2 holds a NUL character (byte 0), which text "
                                      "on a server cannot hold.")
                             .arg(where(), field));
}

void PgImportWriter::addItem(const ImportedItem& item, const std::function<QString()>& where) {
    checkText(item.id, QLatin1StringView("ItemID"), where);
    checkText(item.description, QLatin1StringView("ItemDesc"), where);
    checkText(item.unit, QLatin1StringView("ItemUom"), where);
    m_items.push_back({item, where()});
    if (int(m_items.size()) == BatchRows)
        flushItems();
}

void PgImportWriter::addLine(const ImportedLine& line, const std::function<QString()>& where) {
    // Items first, so that a refused item is reported before any line after it.
    if (!m_items.empty())
        flushItems();
    checkText(line.assembly, QLatin1StringView("BomID"), where);
    checkText(line.component, QLatin1StringView("BomComp"), where);
    checkText(line.startDate, QLatin1StringView("StartDate"), where);
    m_lines.push_back({line, where()});
    if (int(m_lines.size()) == BatchRows)
        flushLines();
}

void PgImportWriter::flushItems() {
    if (m_items.empty())
        return;
    pg::Session& db = *m_session;
    QStringList ids, keys;
    ids.reserve(qsizetype(m_items.size()));
    keys.reserve(qsizetype(m_items.size()));
    for (const PendingItem& pending : m_items) {
        ids.append(pending.item.id);
        keys.append(foldKey(pending.item.id));
    }

    // Keys the table held before the import; tables the import found empty hold none.
    QHash<QString, QString> stored;
    if (m_mode == Mode::Existing) {
        PgStatement query(db, pgschema::SelectItemsByKey,
                          QCoreApplication::translate("store", "Could not read ItemMaster"),
                          ImportOutputFailed);
        query.bind(pg::keyArray(ids)).exec();
        while (query.next()) {
            const QString id = query.value(0).toString();
            stored.insert(foldKey(id), id);
        }
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        const QString& key = keys[qsizetype(i)];
        const auto before = stored.constFind(key);
        const QString* collides = before != stored.cend() ? &*before : nullptr;
        const auto earlier = m_itemKeys.constFind(key);
        if (!collides && earlier != m_itemKeys.cend())
            collides = &*earlier;
        if (collides)
            throw StoreError(
                ImportDuplicateKey,
                QCoreApplication::translate("store", "%1: ItemMaster already holds the ItemID %2.")
                    .arg(m_items[i].where, sameKey(*collides, m_items[i].item.id)));
        m_itemKeys.insert(key, m_items[i].item.id);
    }

    const QByteArray sql =
        batchInsert(pgschema::InsertItemsHead, pgschema::InsertItemsRow, int(m_items.size()));
    PgStatement insert(
        db, QLatin1StringView(sql),
        QCoreApplication::translate("store", "%1 to %2: could not write the rows into ItemMaster")
            .arg(m_items.front().where, m_items.back().where),
        ImportOutputFailed);
    for (const PendingItem& pending : m_items)
        insert.bind(pending.item.id)
            .bind(optionalValue(pending.item.description))
            .bind(optionalValue(pending.item.unit));
    insert.exec();
    m_itemsAdded += qint64(m_items.size());
    m_items.clear();
}

void PgImportWriter::flushLines() {
    if (m_lines.empty())
        return;
    pg::Session& db = *m_session;
    QHash<QString, std::pair<QString, QString>> stored;
    if (m_mode == Mode::Existing) {
        QStringList assemblies, components;
        for (const PendingLine& pending : m_lines) {
            assemblies.append(pending.line.assembly);
            components.append(pending.line.component);
        }
        PgStatement query(db, pgschema::SelectLinesByKey,
                          QCoreApplication::translate("store", "Could not read BomDetail"),
                          ImportOutputFailed);
        query.bind(pg::keyArray(assemblies)).bind(pg::keyArray(components)).exec();
        while (query.next()) {
            const QString assembly = query.value(0).toString();
            const QString component = query.value(1).toString();
            stored.insert(lineKey(assembly, component), {assembly, component});
        }
    }
    for (const PendingLine& pending : m_lines) {
        const ImportedLine& line = pending.line;
        const QString key = lineKey(line.assembly, line.component);
        const auto before = stored.constFind(key);
        const std::pair<QString, QString>* collides = before != stored.cend() ? &*before : nullptr;
        const auto earlier = m_lineKeys.constFind(key);
        if (!collides && earlier != m_lineKeys.cend())
            collides = &*earlier;
        if (collides)
            throw StoreError(ImportDuplicateKey,
                             QCoreApplication::translate(
                                 "store", "%1: BomDetail already lists the component %2 under the "
                                          "assembly %3.")
                                 .arg(pending.where, sameKey(collides->second, line.component),
                                      sameKey(collides->first, line.assembly)));
        m_lineKeys.insert(key, {line.assembly, line.component});
    }

    const QByteArray sql =
        batchInsert(pgschema::InsertLinesHead, pgschema::InsertLinesRow, int(m_lines.size()));
    PgStatement insert(
        db, QLatin1StringView(sql),
        QCoreApplication::translate("store", "%1 to %2: could not write the rows into BomDetail")
            .arg(m_lines.front().where, m_lines.back().where),
        ImportOutputFailed);
    for (const PendingLine& pending : m_lines)
        insert.bind(pending.line.assembly)
            .bind(pending.line.component)
            .bind(pending.line.quantity ? QVariant(*pending.line.quantity) : QVariant())
            .bind(optionalValue(pending.line.startDate));
    insert.exec();
    m_linesAdded += qint64(m_lines.size());
    m_lines.clear();
}

void PgImportWriter::recordAs(const WriteCommand& command) {
    PgStatement mark(
        *m_session, pgschema::MarkWriter,
        QCoreApplication::translate("store", "Could not start writing '%1'").arg(m_session->uri()),
        ImportOutputFailed);
    mark.bind(systemUserName())
        .bind(QSysInfo::machineHostName())
        .bind(command.name)
        .bind(command.reason.isEmpty() ? QVariant() : QVariant(command.reason))
        .bind(command.restore ? QStringLiteral("restore") : QStringLiteral("editor"));
    mark.exec();
    // The server's id of this transaction: the history lists its change set as this editor's,
    // as it does the line writes'.
    if (mark.next())
        pg::noteOwnChangeSet(m_session->address(),
                             mark.value(pgschema::MarkedTransactionColumn).toLongLong());
}

void PgImportWriter::commit() {
    flushItems();
    flushLines();
    const qint64 items = count(pgschema::CountItems,
                               QCoreApplication::translate("store", "Could not count ItemMaster"));
    const qint64 lines = count(pgschema::CountLines,
                               QCoreApplication::translate("store", "Could not count BomDetail"));
    const QString what =
        QCoreApplication::translate("store", "Could not write '%1'").arg(m_session->uri());
    checkRowCounts(m_session->uri(), items, lines, m_itemsBefore + m_itemsAdded,
                   m_linesBefore + m_linesAdded);
    m_session->execute(pgschema::NotifyEverythingChanged, what, ImportOutputFailed);
    m_session->execute(pgschema::Commit, what, ImportOutputFailed);
    m_inTransaction = false;
    // The rows are in; statistics that fail to update now are brought up to date by the
    // server's autovacuum later, so a failure here is no failure of the import.
    try {
        m_session->execute(pgschema::AnalyzeTables, what, ImportOutputFailed);
    } catch (const StoreError&) {
    }
}

} // namespace store
