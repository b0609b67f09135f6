#include "tree/HistoryRestore.h"

#include "tree/Quantity.h"
#include "tree/StoreWaiting.h"

#include <QMap>
#include <QPair>

namespace tree {

namespace {

store::RowImage imageOf(const std::optional<store::LineRow>& row) {
    if (!row)
        return {};
    return {true, row->quantity, row->startDate, std::nullopt, std::nullopt};
}

/// Whether two line images hold the same values as the database compares them.
bool sameLine(const store::RowImage& a, const store::RowImage& b) {
    if (a.exists != b.exists)
        return false;
    if (!a.exists)
        return true;
    const auto same = [](const QVariant& x, const QVariant& y) {
        if (x.isNull() || y.isNull())
            return x.isNull() && y.isNull();
        bool xNumber = false;
        bool yNumber = false;
        const double xValue = x.toDouble(&xNumber);
        const double yValue = y.toDouble(&yNumber);
        return xNumber && yNumber ? xValue == yValue : x.toString() == y.toString();
    };
    return same(a.quantity, b.quantity) && same(a.startDate, b.startDate);
}

} // namespace

bool RestoreLine::changedSince() const {
    return !sameLine(left, imageOf(now));
}

bool RestoreLine::asTarget() const {
    return sameLine(target, imageOf(now));
}

std::vector<RestoreLine> planRestore(const std::vector<store::ChangeRecord>& changes) {
    QMap<QPair<QString, QString>, RestoreLine> lines;
    for (const store::ChangeRecord& change : changes) {
        if (change.table != store::schema::BomDetail)
            continue;
        const QPair<QString, QString> key{change.key, change.component};
        auto line = lines.find(key);
        if (line == lines.end())
            // The newest change of the line: what it left.
            line = lines.insert(key, RestoreLine{change.key, change.component, {}, change.after,
                                                 std::nullopt, true});
        // Older ones follow: the oldest's before is the target.
        line->target = change.before;
    }
    return {lines.cbegin(), lines.cend()};
}

std::vector<RestoreLine> readRestore(desktop::Desktop& desktop, const QString& location,
                                     const store::HistoryQuery& query) {
    std::vector<RestoreLine> lines;
    runOnStore(desktop, location, QStringLiteral("Reading the history…"),
               [&](store::StoreCall& call) {
                   lines = planRestore(store::openHistory(location)->changes(query));
                   call.stopIfCancelled();
                   readRestoreLines(call.db(), lines);
               });
    return lines;
}

void readRestoreLines(store::Store& db, std::vector<RestoreLine>& lines) {
    std::vector<store::LineRow> keys;
    keys.reserve(lines.size());
    for (const RestoreLine& line : lines)
        keys.push_back({line.assembly, line.component, {}, {}});
    const std::vector<std::optional<store::LineRow>> now = db.findLines(keys);
    for (size_t at = 0; at < lines.size(); ++at) {
        lines[at].now = now[at];
        lines[at].chosen = !lines[at].changedSince();
    }
}

store::LineBatch restoreBatch(const std::vector<RestoreLine>& lines) {
    store::LineBatch batch;
    for (const RestoreLine& line : lines) {
        if (!line.chosen || line.asTarget())
            continue;
        if (line.now)
            batch.removed.push_back(*line.now);
        if (line.target.exists)
            batch.added.push_back(
                {line.assembly, line.component, line.target.quantity, line.target.startDate});
    }
    return batch;
}

QString rowText(const store::RowImage& row) {
    if (!row.exists)
        return QStringLiteral("—");
    bool number = false;
    const double value = row.quantity.toDouble(&number);
    // Text that another program stored as a quantity is shown as it is.
    const QString quantity = row.quantity.isNull() ? QStringLiteral("Null")
                             : number              ? formatQuantity(value)
                                                   : row.quantity.toString();
    return row.startDate.isNull() ? quantity
                                  : QStringLiteral("%1, started %2")
                                        .arg(quantity, row.startDate.toString());
}

} // namespace tree
