#include "tree/WhereUsedReport.h"

#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/BillExport.h"
#include "tree/Texts.h"
#include "tree/StoreWaiting.h"

namespace tree {

QByteArray finishedItemsCsv(const std::vector<store::WhereUsedRow>& rows) {
    QByteArray out;
    appendCsvRecord(out, {QStringLiteral("Finished Item"), QStringLiteral("Quantity"),
                          QStringLiteral("Level"), QStringLiteral("Description"),
                          QStringLiteral("UOM"), QStringLiteral("Note")});
    for (const store::WhereUsedRow& row : rows) {
        if (!row.top)
            continue;
        const QString note = row.circular ? QStringLiteral("circular")
                             : !row.quantity ? QStringLiteral("no quantity on a path")
                                             : QString();
        appendCsvRecord(out, {csvText(row.assembly), csvQuantity(row.quantity),
                              QString::number(row.level), csvText(row.description.value_or(QString())),
                              csvText(row.unit.value_or(QString())), note});
    }
    return out;
}

std::optional<WhereUsedReport> findWhereUsed(desktop::Desktop& desktop, const QString& databasePath,
                                             const std::optional<QString>& item) {
    std::optional<store::StoreError> failure;
    if (!item) {
        failure = store::StoreError(store::NoItemChosen,
                                    QStringLiteral("No item is chosen: select a node of the tree "
                                                   "or a line of the Item Master list first."));
    } else {
        const desktop::BusyPointer busy(desktop);
        std::unique_ptr<desktop::Progress> progress;
        const store::ReadProgress advance = [&](qint64 done, qint64 total) {
            if (!progress)
                progress = desktop.startProgress(
                    QStringLiteral("Reading the bills of material of %1…")
                        .arg(store::shownLocation(databasePath)),
                    QStringLiteral("Where Used"));
            return progress->advance(done, total);
        };
        try {
            WhereUsedReport report;
            report.item = *item;
            runOnStore(desktop, databasePath,
                       QStringLiteral("Finding where %1 is used\u2026").arg(*item),
                       [&](store::StoreCall& call) {
                           store::Store& db = call.db();
                           if (const auto found = db.findItem(*item)) {
                               report.item = found->id;
                               report.description = found->description.value_or(NoDescription);
                               report.unit = found->unit.value_or(QString());
                           }
                           // Each report answered on the window's thread, where it shows.
                           const store::ReadProgress asked = [&](qint64 done, qint64 total) {
                               return call.ask([&] { return advance(done, total); });
                           };
                           report.rows = db.whereUsed(*item, asked);
                       });
            return report;
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }
    // The user's own Cancel needs no message: nothing was kept of the reading.
    if (failure->number() != store::WhereUsedCancelled &&
        failure->number() != store::OperationCancelled)
        desktop.messageBox(failure->message(), desktop::OkOnly);
    return std::nullopt;
}

} // namespace tree
