#include "tree/history/HistoryReads.h"

#include "store/StoreError.h"
#include "tree/StoreWaiting.h"

#include <QCoreApplication>
#include <QLocale>

namespace tree {

namespace {

std::unique_ptr<store::HistoryLog> openLog(const HistoryOpener& opener, const QString& location) {
    return opener ? opener(location) : store::openHistory(location);
}

} // namespace

HistoryPage readHistory(desktop::Desktop& desktop, const QString& location,
                        const store::HistoryQuery& query, const HistoryOpener& opener) {
    HistoryPage page;
    runOnStore(desktop, location,
               QCoreApplication::translate("tree", "Reading the change history…"),
               [&](store::StoreCall& call) {
                   const std::unique_ptr<store::HistoryLog> log = openLog(opener, location);
                   page.changes = log->changes(query);
                   page.kept = log->changeCount();
                   page.keptSince = log->keptSince();
                   call.stopIfCancelled();
               });
    return page;
}

Forgotten forgetHistoryBefore(desktop::Desktop& desktop, const QString& location,
                              const QDateTime& cut, const HistoryOpener& opener) {
    Forgotten forgotten;
    try {
        runOnStore(
            desktop, location, QCoreApplication::translate("tree", "Forgetting changes…"),
            [&](store::StoreCall& call) {
                forgotten.changes =
                    openLog(opener, location)->forgetBefore(cut, [&](qint64 done, qint64 total) {
                        if (call.cancelled()) {
                            forgotten.stopped = true;
                            return false;
                        }
                        call.name(QCoreApplication::translate("tree", "Forgetting changes… "
                                                                      "%1 of %2")
                                      .arg(QLocale().toString(done), QLocale().toString(total)));
                        return true;
                    });
            });
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            throw;
        forgotten.stopped = true;
    }
    return forgotten;
}

QStringList keepServerHistory(desktop::Desktop& desktop, const QString& location) {
    QStringList created;
    runWaiting(
        desktop, QCoreApplication::translate("tree", "Making the server keep a history…"),
        [&](const store::ReadProgress&) { created = store::enableServerHistory(location); },
        [](qint64, qint64) { return true; });
    return created;
}

} // namespace tree
