#include "StoreBackend.h"

#include "PgServer.h"

#include "store/sqlite/SqliteStore.h"
#include "store/postgres/PgImportWriter.h"
#include "store/postgres/PgStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace {

template <typename Work>
void withServer(const PgServer& server, Work work) {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("test-server-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(server.socketFolder());
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(server.user());
        if (!db.open())
            qFatal("cannot connect to the test server: %s", qPrintable(db.lastError().text()));
        // Dropping tables that are not there is no news.
        db.exec(QStringLiteral("SET client_min_messages TO warning"));
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void run(QSqlQuery& q, const QString& sql, const QVariantList& values = {}) {
    // The driver prepares statements on the server, which takes no DDL: those run as they are.
    bool ok = values.isEmpty() ? q.exec(sql) : q.prepare(sql);
    for (const QVariant& value : values)
        q.addBindValue(value);
    ok = ok && (values.isEmpty() || q.exec());
    if (!ok)
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

const QString dropTables = QStringLiteral("DROP TABLE IF EXISTS itemmaster, bomdetail");

} // namespace

QVariant execOnServer(const PgServer& server, const QStringList& statements,
                      const QVariantList& values) {
    QVariant result;
    withServer(server, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& sql : statements)
            run(q, sql, sql.contains(QLatin1Char('?')) ? values : QVariantList());
        if (q.isSelect() && q.next())
            result = q.value(0);
    });
    return result;
}

QStringList ids(const store::ComponentLines& lines) {
    QStringList result;
    for (const store::ComponentLine& line : lines)
        result.append(line.id);
    return result;
}

StoreBackend::StoreBackend(Kind kind, QString file, const PgServer* server)
    : m_kind(kind), m_file(std::move(file)), m_server(server) {}

void StoreBackend::write(const std::vector<ItemRow>& items, const std::vector<Line>& lines) const {
    if (m_kind == Sqlite) {
        QFile::remove(m_file);
        writeDatabase(m_file, items, lines);
        return;
    }
    execOnServer(*m_server, {dropTables});
    store::PgImportWriter::createTables(address());
    withServer(*m_server, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        db.transaction();
        for (const ItemRow& item : items)
            run(q, QStringLiteral("INSERT INTO itemmaster VALUES (?, ?, ?)"),
                {item.id, item.description, item.unit});
        for (const Line& line : lines)
            run(q, QStringLiteral("INSERT INTO bomdetail VALUES (?, ?, ?, '1996-01-01 00:00:00')"),
                {line.assembly, line.component, line.quantity});
        db.commit();
        // As after any bulk load: without statistics the planner takes the tables for small
        // and reads them whole on every look-up.
        run(q, QStringLiteral("ANALYZE itemmaster, bomdetail"));
    });
}

void StoreBackend::writeEmpty() const {
    if (m_kind == Sqlite) {
        QFile::remove(m_file);
        QFile file(m_file);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(m_file));
        return; // an empty file is an empty SQLite database
    }
    execOnServer(*m_server, {dropTables});
}

std::unique_ptr<store::Store> StoreBackend::open() const {
    if (m_kind == Sqlite)
        return std::make_unique<store::SqliteStore>(m_file);
    return std::make_unique<store::PgStore>(address());
}

QString StoreBackend::address() const { return m_kind == Sqlite ? m_file : m_server->uri(); }

QStringList StoreBackend::lines() const {
    if (m_kind == Sqlite)
        return linesOf(m_file);
    QStringList result;
    withServer(*m_server, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        run(q, QStringLiteral("SELECT bomid, bomcomp, bomqtyreq FROM bomdetail ORDER BY "
                              "lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\")"));
        while (q.next())
            result.append(QStringLiteral("%1>%2=%3")
                              .arg(q.value(0).toString(), q.value(1).toString(),
                                   q.value(2).toString()));
    });
    return result;
}

QStringList StoreBackend::rows() const {
    const auto shown = [](const QVariant& value) {
        return value.isNull() ? QStringLiteral("<null>") : value.toString();
    };
    QStringList result;
    const auto read = [&](QSqlDatabase& db, const QString& sql) {
        QSqlQuery q(db);
        run(q, sql);
        while (q.next())
            result.append(QStringLiteral("%1>%2=%3@%4")
                              .arg(q.value(0).toString(), q.value(1).toString(),
                                   shown(q.value(2)), shown(q.value(3))));
    };
    if (m_kind == Sqlite) {
        const QString name = QStringLiteral("rows-of-test-file");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_file);
            if (!db.open())
                qFatal("cannot open %s", qPrintable(m_file));
            read(db, QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail "
                                    "ORDER BY BomID, BomComp"));
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    }
    withServer(*m_server, [&](QSqlDatabase& db) {
        read(db, QStringLiteral("SELECT bomid, bomcomp, bomqtyreq, startdate FROM bomdetail ORDER "
                                "BY lower(bomid COLLATE \"C\"), lower(bomcomp COLLATE \"C\")"));
    });
    return result;
}

QVariant StoreBackend::startDate(const QString& assembly, const QString& component) const {
    if (m_kind == Sqlite)
        return columnOf(m_file, assembly, component, QStringLiteral("StartDate"));
    return execOnServer(*m_server,
                        {QStringLiteral("SELECT startdate FROM bomdetail WHERE bomid = ? AND "
                                        "bomcomp = ?")},
                        {assembly, component});
}

QStringList itemIds(store::Store& db) {
    QStringList ids;
    for (const store::ItemLine& line : db.itemLines())
        ids.append(line.id);
    return ids;
}

QStringList componentIds(store::Store& db, const QString& assembly) {
    QStringList ids;
    const std::vector<store::ComponentLines> lines = db.componentsOfEach({assembly});
    for (const store::ComponentLine& line : lines.front())
        ids.append(line.id);
    return ids;
}

qsizetype componentCountAt(const QString& location, const QString& assembly) {
    try {
        return componentIds(*store::openStore(location), assembly).size();
    } catch (const store::StoreError&) {
        return -1;
    }
}

bool deleteLine(store::Store& db, const QString& assembly, const QString& component) {
    return db.takeLine(assembly, component).has_value();
}
