#include "store/Database.h"
#include "store/PgDatabase.h"
#include "store/Store.h"

namespace store {

bool isServerAddress(const QString& location) {
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<Store> openStore(const QString& location) {
    if (isServerAddress(location))
        return std::make_unique<PgDatabase>(location);
    return std::make_unique<Database>(location);
}

} // namespace store
