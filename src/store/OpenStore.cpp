#include "store/ImportWriter.h"
#include "store/Store.h"
#include "store/postgres/PgImportWriter.h"
#include "store/postgres/PgStore.h"
#include "store/sqlite/SqliteImportWriter.h"
#include "store/sqlite/SqliteStore.h"

namespace store {

bool isServerAddress(const QString& location) {
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::unique_ptr<Store> openStore(const QString& location) {
    if (isServerAddress(location))
        return std::make_unique<PgStore>(location);
    return std::make_unique<SqliteStore>(location);
}

std::unique_ptr<ImportWriter> ImportWriter::newDatabase(const QString& location) {
    if (isServerAddress(location))
        return PgImportWriter::intoEmpty(location);
    return SqliteImportWriter::newFile(location);
}

std::unique_ptr<ImportWriter> ImportWriter::intoExisting(const QString& location) {
    if (isServerAddress(location))
        return PgImportWriter::intoExisting(location);
    return SqliteImportWriter::intoExisting(location);
}

} // namespace store
