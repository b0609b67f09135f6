#include "store/postgres/PgOwnChanges.h"

#include "store/ServerAddress.h"
#include "store/StoreError.h"

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

/// The server of an address as its host (or socket folder) and port; the address itself when
/// it cannot be read (nothing was written there then).
QString serverOf(const QString& uri) {
    try {
        const ParsedServerAddress address = parseServerAddress(uri);
        return address.field(QLatin1StringView("host")) + QLatin1Char('\n') +
               address.field(QLatin1StringView("port"));
    } catch (const StoreError&) {
        return uri;
    }
}

} // namespace

void noteOwnChangeSet(const QString& uri, qint64 txid) {
    const QString server = serverOf(uri);
    const QMutexLocker lock(&changeSetsMutex);
    changeSets[server].insert(txid);
}

QString ownChangeSets(const QString& uri) {
    const QString server = serverOf(uri);
    QStringList ids;
    {
        const QMutexLocker lock(&changeSetsMutex);
        for (const qint64 id : changeSets.value(server))
            ids.append(QString::number(id));
    }
    return QLatin1Char('{') + ids.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace store::pg
