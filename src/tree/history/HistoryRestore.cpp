#include "tree/history/HistoryRestore.h"

#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/edits/AlsoUsed.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QLocale>

#include <QMap>
#include <QPair>
#include <QSet>

#include <limits>

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
    const auto undo = [&lines](const store::ChangeRecord& change) {
        if (change.table != store::schema::BomDetail)
            return;
        const QPair<QString, QString> key{change.key, change.component};
        auto line = lines.find(key);
        if (line == lines.end())
            // The newest change of the line: what it left.
            line = lines.insert(key, RestoreLine{change.key, change.component, {}, change.after,
                                                 std::nullopt, true});
        // Older ones follow: the oldest's before is the target.
        line->target = change.before;
    };
    // Change sets come newest first, but the rows of one set in the order they were written:
    // a server records a line deleted and added again in one transaction (an edit that
    // replaces a line) as two rows, the deletion first. Each set is undone from its last row.
    for (size_t end = 0; end < changes.size();) {
        const size_t begin = end;
        while (end < changes.size() && changes[end].changeSet == changes[begin].changeSet)
            ++end;
        for (size_t at = end; at-- > begin;)
            undo(changes[at]);
    }
    return {lines.cbegin(), lines.cend()};
}

RestorePlan readRestorePlan(desktop::Desktop& desktop, const QString& location,
                            const store::HistoryQuery& query, const HistoryOpener& opener) {
    // A plan needs every change it undoes: the oldest change of a line names what the line
    // is put back to, so a list cut to the window's newest screenfuls would put lines back
    // to a later state without a word.
    store::HistoryQuery every = query;
    every.limit = std::numeric_limits<int>::max();
    RestorePlan plan;
    runOnStore(desktop, location, QCoreApplication::translate("tree", "Reading the history…"),
               [&](store::StoreCall& call) {
                   plan.lines = planRestore((opener ? opener : &store::openHistory)(location)
                                                ->changes(every));
                   call.stopIfCancelled();
                   readRestoreLines(call.db(), plan.lines);
                   call.stopIfCancelled();
                   plan.alsoUsed = restoreAlsoUsed(call.db(), plan.lines, query.assemblies);
               });
    return plan;
}

std::vector<RestoreLine> readRestore(desktop::Desktop& desktop, const QString& location,
                                     const store::HistoryQuery& query,
                                     const HistoryOpener& opener) {
    return readRestorePlan(desktop, location, query, opener).lines;
}

QString restoreAlsoUsed(store::Store& db, const std::vector<RestoreLine>& lines,
                        const QStringList& bill) {
    // As a question's notes: a dozen assemblies, each one read of the lines that use it.
    constexpr qsizetype MostAssemblies = 12;
    QSet<QString> inBill;
    for (const QString& assembly : bill)
        inBill.insert(store::foldKey(assembly));
    QSet<QString> seen;
    QStringList notes;
    for (const RestoreLine& line : lines) {
        const QString key = store::foldKey(line.assembly);
        if (line.asTarget() || seen.contains(key) || seen.size() == MostAssemblies)
            continue;
        seen.insert(key);
        QStringList others;
        for (const QString& user : otherUsers(db, line.assembly, {}))
            if (!inBill.contains(store::foldKey(user)) && !others.contains(user))
                others.append(user);
        if (const QString note = alsoUsedNote(line.assembly, others); !note.isEmpty())
            notes.append(note);
    }
    return notes.join(u'\n');
}

BillThen readBillThen(desktop::Desktop& desktop, const QString& location, const QString& item,
                      const QDateTime& moment, const HistoryOpener& opener) {
    BillThen then;
    then.moment = moment.toUTC();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (then.moment > now) {
        // A moment typed to the second means its whole second: the one under way is now.
        if (then.moment.addSecs(-1) >= now)
            throw store::StoreError(
                store::HistoryInFuture,
                QCoreApplication::translate("tree", "%1 is still to come: a bill can be shown as "
                                                    "it stood, not as it will stand.")
                    .arg(QLocale().toString(moment.toLocalTime(), QLocale::ShortFormat)));
        then.moment = now;
    }
    runOnStore(desktop, location, QCoreApplication::translate("tree", "Reading the history…"),
               [&](store::StoreCall& call) {
                   const std::unique_ptr<store::HistoryLog> log =
                       (opener ? opener : &store::openHistory)(location);
                   if (const QDateTime start = log->keptSince();
                       start.isValid() && then.moment < start) {
                       then.moment = start;
                       then.fromStart = true;
                   }
                   then.bill.known = call.db().findItem(item).has_value();
                   then.bill.lines = log->linesAsOf(item, then.moment);
               });
    return then;
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
    const QString quantity = row.quantity.isNull() ? QCoreApplication::translate("tree", "Null")
                             : number              ? formatQuantity(value)
                                                   : row.quantity.toString();
    return row.startDate.isNull() ? quantity
                                  : QCoreApplication::translate("tree", "%1, started %2")
                                        .arg(quantity, row.startDate.toString());
}

} // namespace tree
