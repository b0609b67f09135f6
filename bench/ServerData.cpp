#include "ServerData.h"

#include "store/postgres/PgImportWriter.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <stdexcept>
#include <utility>

namespace bench {

namespace {

/// One CSV field as COPY reads it: Null is an empty unquoted field, every value is quoted (so
/// that the empty text stays the empty text), quotes doubled.
void writeField(QByteArray& out, const QVariant& value) {
    if (value.isNull())
        return;
    const QString text = value.typeId() == QMetaType::Double
                             ? QString::number(value.toDouble(), 'g', 17) // reads back exactly
                             : value.toString();
    out += '"';
    out += text.toUtf8().replace("\"", "\"\"");
    out += '"';
}

/// Writes every row of `select` on the SQLite file `path` into the CSV file `csv`.
void exportTable(const QString& path, const QString& select, const QString& csv) {
    const QString name = QStringLiteral("bench-export-") + csv;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error("cannot open " + path.toStdString());
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(select))
            throw std::runtime_error(q.lastError().text().toStdString());
        QFile file(csv);
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write " + csv.toStdString());
        QByteArray out;
        const int columns = q.record().count();
        while (q.next()) {
            for (int column = 0; column < columns; ++column) {
                if (column > 0)
                    out += ',';
                writeField(out, q.value(column));
            }
            out += '\n';
            if (out.size() > (1 << 20))
                file.write(std::exchange(out, {}));
        }
        file.write(out);
        if (!file.flush())
            throw std::runtime_error("cannot write " + csv.toStdString());
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString BenchServer::start() {
    if (!m_files.isValid())
        return QStringLiteral("no temporary folder: %1").arg(m_files.errorString());
    return m_server.start();
}

void BenchServer::psql(const QString& database, const QStringList& commands) {
    QStringList arguments{QStringLiteral("-X"), QStringLiteral("-q"),
                          QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                          QStringLiteral("-h"), m_server.socketFolder(),
                          QStringLiteral("-U"), m_server.user(),
                          QStringLiteral("-d"), database};
    for (const QString& command : commands)
        arguments << QStringLiteral("-c") << command;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(PgServer::binaries() + QStringLiteral("/psql"), arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error("psql failed: " + process.readAll().toStdString() +
                                 process.errorString().toStdString());
}

QString BenchServer::copyDatabase(const QString& path, const QString& name) {
    // The names are the benchmark's own (deep, items): plain identifiers, safe as they stand.
    psql(QStringLiteral("postgres"), {QStringLiteral("CREATE DATABASE %1").arg(name)});
    const QString uri = m_server.uri(name);
    store::PgImportWriter::createTables(uri);

    const QString items = m_files.filePath(name + QStringLiteral("-items.csv"));
    const QString lines = m_files.filePath(name + QStringLiteral("-lines.csv"));
    exportTable(path, QStringLiteral("SELECT ItemID, ItemDesc, ItemUom FROM ItemMaster"), items);
    exportTable(path,
                QStringLiteral("SELECT BomID, BomComp, bomQtyReq, StartDate FROM BomDetail"),
                lines);
    // psql's \copy reads the files on this side, whichever user the server runs as.
    psql(name, {QStringLiteral("\\copy itemmaster (itemid, itemdesc, itemuom) FROM '%1' "
                               "WITH (FORMAT csv)")
                    .arg(items),
                QStringLiteral("\\copy bomdetail (bomid, bomcomp, bomqtyreq, startdate) FROM "
                               "'%1' WITH (FORMAT csv)")
                    .arg(lines),
                QStringLiteral("ANALYZE")});
    QFile::remove(items);
    QFile::remove(lines);
    return uri;
}

} // namespace bench
