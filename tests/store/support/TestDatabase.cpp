#include "TestDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

template <typename Work>
void withConnection(const QString& path, Work work, const QString& options = {}) {
    const QString name = QStringLiteral("test-%1").arg(quintptr(&work));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        if (!db.open())
            qFatal("cannot open test database");
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

} // namespace

void writeDatabase(const QString& path, const std::vector<ItemRow>& items,
                   const std::vector<Line>& lines) {
    withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        run(q, QStringLiteral("CREATE TABLE ItemMaster (ItemID TEXT COLLATE NOCASE NOT NULL "
                              "PRIMARY KEY, ItemDesc TEXT, ItemUom TEXT)"));
        run(q, QStringLiteral("CREATE TABLE BomDetail (BomID TEXT COLLATE NOCASE NOT NULL, "
                              "BomComp TEXT COLLATE NOCASE NOT NULL, bomQtyReq REAL, "
                              "StartDate TEXT, PRIMARY KEY (BomID, BomComp))"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO ItemMaster VALUES (?, ?, ?)"));
        for (const ItemRow& item : items) {
            q.addBindValue(item.id);
            q.addBindValue(item.description);
            q.addBindValue(item.unit);
            if (!q.exec())
                qFatal("%s", qPrintable(q.lastError().text()));
        }
        q.prepare(QStringLiteral("INSERT INTO BomDetail VALUES (?, ?, ?, '1996-01-01 00:00:00')"));
        for (const Line& line : lines) {
            q.addBindValue(line.assembly);
            q.addBindValue(line.component);
            q.addBindValue(line.quantity);
            if (!q.exec())
                qFatal("%s", qPrintable(q.lastError().text()));
        }
        db.commit();
    });
}

void execOn(const QString& path, const QStringList& statements) {
    withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const QString& sql : statements)
            run(q, sql);
    });
}

std::optional<QString> tryExecOn(const QString& path, const QStringList& statements,
                                 int busyTimeoutMs) {
    std::optional<QString> failure;
    withConnection(
        path,
        [&](QSqlDatabase& db) {
            QSqlQuery q(db);
            for (const QString& sql : statements) {
                if (!q.exec(sql)) {
                    failure = q.lastError().text();
                    return;
                }
            }
        },
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    return failure;
}

QStringList linesOf(const QString& path) {
    QStringList result;
    withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        run(q, QStringLiteral("SELECT BomID, BomComp, bomQtyReq FROM BomDetail "
                              "ORDER BY BomID, BomComp"));
        while (q.next())
            result.append(QStringLiteral("%1>%2=%3")
                              .arg(q.value(0).toString(), q.value(1).toString(),
                                   q.value(2).toString()));
    });
    return result;
}

QStringList rowsOf(const QString& path) {
    QStringList result;
    withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        run(q, QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail "
                              "ORDER BY BomID, BomComp"));
        while (q.next())
            result.append(QStringLiteral("%1>%2=%3@%4")
                              .arg(q.value(0).toString(), q.value(1).toString(),
                                   q.value(2).toString(), q.value(3).toString()));
    });
    return result;
}

QVariant columnOf(const QString& path, const QString& assembly, const QString& component,
                  const QString& column) {
    QVariant value;
    withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        // The column name comes from the test itself, never from data.
        q.prepare(QStringLiteral("SELECT %1 FROM BomDetail WHERE BomID = ? AND BomComp = ?")
                      .arg(column));
        q.addBindValue(assembly);
        q.addBindValue(component);
        if (q.exec() && q.next())
            value = q.value(0);
    });
    return value;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
