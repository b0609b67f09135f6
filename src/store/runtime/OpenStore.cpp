#include "store/DraftApply.h"
#include "store/DraftStore.h"
#include "store/History.h"
#include "store/ImportWriter.h"
#include "store/sqlite/history/HistoryFile.h"
#include "store/runtime/StoreThread.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "store/PasswordCache.h"
#include "store/postgres/PgDrafts.h"
#include "store/postgres/PgHistory.h"
#include "store/postgres/PgImportWriter.h"
#include "store/postgres/PgStore.h"
#include "store/ServerAddress.h"
#include "store/sqlite/SqliteDrafts.h"
#include "store/sqlite/SqliteImportWriter.h"
#include "store/sqlite/SqliteStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <mutex>

namespace store {

bool isServerAddress(const QString& location) {
    // What the window and bom-import work on is an address read already (withPasswordInMemory):
    // a URI, or key=value pairs that libpq reads ("service=plant").
    return hasServerScheme(location.trimmed()) || conninfoNamesServer(location);
}

bool looksLikeServerAddress(const QString& location) {
    const QString text = location.trimmed();
    if (hasServerScheme(text))
        return true;
    // A file of that name wins: key=value text can be a file's name too. Text of that shape
    // that libpq cannot read is an address all the same, refused as one without being
    // repeated: it may hold a password.
    return hasConninfoShape(text) && !QFileInfo::exists(location);
}

QString withoutPassword(const QString& location) {
    if (!looksLikeServerAddress(location))
        return location;
    try {
        return parseServerAddress(location).shown;
    } catch (const StoreError&) {
        return QStringLiteral("postgresql://…");
    }
}

QString withPasswordInMemory(const QString& location) {
    if (!looksLikeServerAddress(location))
        return location;
    const ParsedServerAddress parsed = parseServerAddress(location);
    if (!parsed.password.isEmpty())
        useServerPassword(parsed.address, parsed.password);
    return parsed.shown;
}

std::optional<QString> databaseFile(const QString& location) {
    if (isServerAddress(location))
        return std::nullopt;
    return location;
}

QString shownLocation(const QString& location) {
    return isServerAddress(location) ? location : QDir::toNativeSeparators(location);
}

QStringList createServerTables(const QString& location) {
    if (!isServerAddress(location))
        throw StoreError(ImportUsage,
                         QCoreApplication::translate("store", "'%1' is not a server address "
                                                              "(postgresql://…).")
                             .arg(location));
    return PgImportWriter::createTables(location);
}

namespace {

/// A file's store records its writes in the file's history while the program keeps one.
std::unique_ptr<Store> recording(std::unique_ptr<SqliteStore> store, const QString& path) {
    if (fileHistoryKept())
        store->setRecorder(std::make_unique<history::FileRecorder>(path));
    return store;
}

/// What each server address's last opening found of its writes (Store::writesRefused): a
/// failover may make a standby of the primary, or a primary of the standby, so each opening
/// says it anew.
struct WritesRefused {
    std::mutex mutex;
    QHash<QString, QString> byLocation;
};

WritesRefused& writesRefused() {
    static WritesRefused kept;
    return kept;
}

std::unique_ptr<Store> noteWrites(std::unique_ptr<Store> store, const QString& location) {
    WritesRefused& kept = writesRefused();
    const std::lock_guard lock(kept.mutex);
    kept.byLocation.insert(location, store->writesRefused());
    return store;
}

} // namespace

namespace {

/// The draft each location is shown with in this process, by the location as given.
struct ShownDrafts {
    std::mutex mutex;
    QHash<QString, QString> byLocation;
};

ShownDrafts& shownDrafts() {
    static ShownDrafts shown;
    return shown;
}

std::unique_ptr<Store> inShownDraft(std::unique_ptr<Store> store, const QString& location) {
    const QString name = draftShownAt(location);
    if (name.isEmpty())
        return store;
    std::unique_ptr<Drafts> drafts = openDrafts(location);
    const DraftInfo draft = drafts->find(name);
    return std::make_unique<DraftStore>(std::move(store), std::move(drafts), draft);
}

} // namespace

void showDraftAt(const QString& location, const QString& name) {
    ShownDrafts& shown = shownDrafts();
    const std::lock_guard lock(shown.mutex);
    if (name.isEmpty())
        shown.byLocation.remove(location);
    else
        shown.byLocation.insert(location, name);
}

QString draftShownAt(const QString& location) {
    ShownDrafts& shown = shownDrafts();
    const std::lock_guard lock(shown.mutex);
    return shown.byLocation.value(location);
}

namespace {

std::unique_ptr<Store> openLive(const QString& location) {
    if (isServerAddress(location))
        return noteWrites(std::make_unique<PgStore>(location), location);
    return recording(std::make_unique<SqliteStore>(location), location);
}

} // namespace

std::unique_ptr<Store> openStore(const QString& location) {
    return inShownDraft(openLive(location), location);
}

std::unique_ptr<Store> openStore(const QString& location, OpenInterruption& interruption) {
    if (isServerAddress(location))
        return inShownDraft(
            noteWrites(std::make_unique<PgStore>(location, &interruption), location), location);
    return inShownDraft(recording(std::make_unique<SqliteStore>(location, &interruption), location),
                        location);
}

QString writesRefusedAt(const QString& location) {
    WritesRefused& kept = writesRefused();
    const std::lock_guard lock(kept.mutex);
    return kept.byLocation.value(location);
}

std::unique_ptr<HistoryLog> openHistory(const QString& location) {
    if (isServerAddress(location))
        return std::make_unique<pg::PgHistoryLog>(location);
    // The database is checked as a store opens it, so that a path that is no database of the
    // editor's never gets a history made for it.
    { const SqliteStore checked(location); }
    return std::make_unique<history::FileHistoryLog>(location);
}

QStringList enableServerHistory(const QString& location) {
    if (!isServerAddress(location))
        throw StoreError(ImportUsage, QCoreApplication::translate(
                                          "store", "'%1' is not a server address "
                                                   "(postgresql://…): a database file's history "
                                                   "is kept by the editor itself.")
                                          .arg(location));
    return pg::enableHistory(location);
}

void disableServerHistory(const QString& location) {
    if (!isServerAddress(location))
        throw StoreError(ImportUsage,
                         QCoreApplication::translate("store", "'%1' is not a server address "
                                                              "(postgresql://…).")
                             .arg(location));
    pg::disableHistory(location);
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

// Drafts of changes are kept where the history is: a file's in its history file, a server's in
// the history's side schema.
std::unique_ptr<Drafts> openDrafts(const QString& location) {
    if (isServerAddress(location))
        return std::make_unique<pg::PgDrafts>(location);
    if (!fileHistoryKept())
        throw StoreError(DraftsUnavailable,
                         QCoreApplication::translate(
                             "store", "Drafts of changes are kept in the history of changes "
                                      "of '%1', and the history is turned off; ordinary "
                                      "editing goes on.")
                             .arg(shownLocation(location)));
    // The database is checked as a store opens it, so that a path that is no database of the
    // editor's never gets a history made for it.
    { const SqliteStore checked(location); }
    try {
        return std::make_unique<history::SqliteDrafts>(location);
    } catch (const StoreError& error) {
        // A history that cannot be kept leaves no place for drafts; its own words say why.
        if (error.number() >= HistoryNotRecorded && error.number() <= HistoryGap)
            throw StoreError(
                DraftsUnavailable,
                QCoreApplication::translate("store", "Drafts of changes are kept in the history of "
                                                     "changes, which cannot be used now: %1")
                    .arg(error.message()));
        throw;
    }
}

std::unique_ptr<DraftStore> openDraftStore(const QString& location, const QString& name) {
    std::unique_ptr<Drafts> drafts = openDrafts(location);
    const DraftInfo draft = drafts->find(name);
    return std::make_unique<DraftStore>(openLive(location), std::move(drafts), draft);
}

DraftApplyResult applyDraftAt(const QString& location, const QString& name,
                              const DraftChoices& choices) {
    const std::unique_ptr<Drafts> drafts = openDrafts(location);
    const std::unique_ptr<Store> live = openLive(location);
    return applyDraft(*live, *drafts, name, choices);
}

DraftNow reviewDraftAt(const QString& location, const QString& name) {
    const std::unique_ptr<Drafts> drafts = openDrafts(location);
    DraftNow now{drafts->find(name), {}};
    if (now.draft.state != DraftState::Open)
        throw draftClosed(now.draft);
    const std::vector<DraftLine> lines = drafts->lines(now.draft.id);
    const std::unique_ptr<Store> live = openLive(location);
    now.lines = compareWithLive(*live, lines);
    return now;
}

} // namespace store
