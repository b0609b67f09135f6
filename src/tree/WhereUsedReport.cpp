#include "tree/WhereUsedReport.h"

#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/BomEditor.h"
#include "tree/StoreWaiting.h"

namespace tree {

std::optional<WhereUsedReport> findWhereUsed(desktop::Desktop& desktop, const QString& databasePath,
                                             const std::optional<QString>& item) {
    std::optional<store::StoreError> failure;
    if (!item) {
        failure = store::StoreError(store::NoItemChosen,
                                    QStringLiteral("No item is chosen: select a node of the tree "
                                                   "or a line of the Item Master list first."));
    } else {
        const desktop::BusyPointer busy(desktop);
        try {
            const std::unique_ptr<store::Store> opened = openStoreWaiting(desktop, databasePath);
            store::Store& db = *opened;
            WhereUsedReport report;
            report.item = *item;
            if (const auto found = db.findItem(*item)) {
                report.item = found->id;
                report.description = found->description.value_or(NoDescription);
                report.unit = found->unit.value_or(QString());
            }
            report.rows = db.whereUsed(*item);
            return report;
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }
    desktop.messageBox(failure->message(), desktop::OkOnly);
    return std::nullopt;
}

} // namespace tree
