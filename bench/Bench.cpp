#include "Bench.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace bench {

namespace {

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

long peakKb() { return statusKb("VmHWM:"); }
long currentKb() { return statusKb("VmRSS:"); }

QString mostUsedLeaf(const QString& path) {
    const QString name = QStringLiteral("bench-most-used");
    QString leaf;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral(
                "SELECT BomComp FROM BomDetail WHERE BomComp NOT IN (SELECT BomID FROM BomDetail) "
                "GROUP BY BomComp ORDER BY count(*) DESC, BomComp LIMIT 1")) ||
            !q.next())
            qFatal("no leaf in %s", qPrintable(path));
        leaf = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return leaf;
}

void resetPeak() {
    // Writing 5 to clear_refs resets the peak resident size to the current one.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace bench
