#include "store/postgres/PgOwnChanges.h"


#include <QHash>
#include <QMutex>
#include <QSet>

namespace store::pg {

namespace {

QMutex changeSetsMutex;
/// By server: a transaction id means something on its own server only (two servers in
/// containers count from the same start). Guarded by changeSetsMutex. A few bytes a write, for
/// the life of the process, as "this editor" is this process.
QHash<QString, QSet<qint64>> changeSets;

/// The server of an address as its host (or socket folder) and port.
QString serverOf(const ParsedServerAddress& address) {
    return address.field(QLatin1StringView("host")) + QLatin1Char('\n') +
           address.field(QLatin1StringView("port"));
}

} // namespace

void noteOwnChangeSet(const ParsedServerAddress& address, qint64 txid) {
    const QString server = serverOf(address);
    const QMutexLocker lock(&changeSetsMutex);
    changeSets[server].insert(txid);
}

QString ownChangeSets(const ParsedServerAddress& address) {
    const QString server = serverOf(address);
    QStringList ids;
    {
        const QMutexLocker lock(&changeSetsMutex);
        for (const qint64 id : changeSets.value(server))
            ids.append(QString::number(id));
    }
    return QLatin1Char('{') + ids.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace store::pg
