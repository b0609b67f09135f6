#include "tree/reports/WhereUsedReport.h"

#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/Texts.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/BillExport.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <limits>

namespace tree {

namespace {

/// Counts as the texts give them, grouped in thousands ("12,345").
QString grouped(quint64 count) { return QLocale(QLocale::English).toString(count); }

QString noteOf(bool circular, bool withQuantity) {
    return circular ? QStringLiteral("circular")
           : !withQuantity ? QStringLiteral("no quantity on a path")
                           : QString();
}

} // namespace

QString pathText(const std::vector<store::WhereUsedRow>& rows, const store::WhereUsedRow& top,
                 const store::WhereUsedPath& path, const QString& item, bool forFile) {
    QString text = top.assembly;
    for (const store::WhereUsedStep& step : path.steps) {
        const QString quantity = !step.quantity ? QStringLiteral("?")
                                 : forFile      ? csvQuantity(step.quantity)
                                                : formatQuantity(*step.quantity);
        text += QStringLiteral(" \u2192 %1 \u00d7 %2")
                    .arg(quantity, step.row < 0 ? item : rows[size_t(step.row)].assembly);
    }
    if (path.circular)
        text += forFile ? QStringLiteral(" (circular)")
                        : QCoreApplication::translate("tree", " (circular)");
    return text;
}

std::optional<double> pathQuantity(const store::WhereUsedPath& path) {
    if (path.circular)
        return std::nullopt;
    double product = 1;
    for (const store::WhereUsedStep& step : path.steps) {
        if (!step.quantity)
            return std::nullopt;
        product *= *step.quantity;
    }
    return product;
}

QString morePathsText(const store::WhereUsedRow& top, bool shown) {
    if (!top.pathCount)
        return shown
                   ? QCoreApplication::translate(
                         "tree", "\u2026 and more paths without end: a cycle stands on the way")
                   : QStringLiteral("\u2026 and more paths without end: a cycle stands on the way");
    if (*top.pathCount == store::PathCountOver)
        return (shown ? QCoreApplication::translate("tree",
                                                    "\u2026 and more: more than %1 paths in all")
                      : QStringLiteral("\u2026 and more: more than %1 paths in all"))
            .arg(shown ? QLocale().toString(store::PathCountOver - 1)
                       : grouped(store::PathCountOver - 1));
    const quint64 rest = *top.pathCount - quint64(top.paths.size());
    if (rest == 0)
        return {};
    if (shown) {
        // The plural form only differs for small counts.
        const int plural = int(std::min<quint64>(rest, std::numeric_limits<int>::max()));
        return QCoreApplication::translate("tree", "\u2026 and %1 more path(s)", nullptr, plural)
            .arg(QLocale().toString(rest));
    }
    return rest == 1 ? QStringLiteral("\u2026 and 1 more path")
                     : QStringLiteral("\u2026 and %1 more paths").arg(grouped(rest));
}

QString pathCountText(const store::WhereUsedRow& top) {
    if (!top.pathCount)
        return {};
    if (*top.pathCount == store::PathCountOver)
        return QStringLiteral("more than %1").arg(store::PathCountOver - 1);
    return QString::number(*top.pathCount);
}

QByteArray finishedItemsCsv(const std::vector<store::WhereUsedRow>& rows, const QString& item) {
    QByteArray out;
    // The first six columns as they always were, so that what reads them goes on working.
    appendCsvRecord(out, {QStringLiteral("Finished Item"), QStringLiteral("Quantity"),
                          QStringLiteral("Level"), QStringLiteral("Description"),
                          QStringLiteral("UOM"), QStringLiteral("Note"), QStringLiteral("Row"),
                          QStringLiteral("Path"), QStringLiteral("Paths")});
    for (const store::WhereUsedRow& row : rows) {
        if (!row.top)
            continue;
        const QString top = csvText(row.assembly);
        appendCsvRecord(out, {top, csvQuantity(row.quantity), QString::number(row.level),
                              csvText(row.description.value_or(QString())),
                              csvText(row.unit.value_or(QString())),
                              noteOf(row.circular, row.quantity.has_value()),
                              QStringLiteral("finished item"), QString(), pathCountText(row)});
        for (const store::WhereUsedPath& path : row.paths) {
            const std::optional<double> quantity = pathQuantity(path);
            appendCsvRecord(out, {top, csvQuantity(quantity), QString::number(path.steps.size()),
                                  QString(), QString(),
                                  noteOf(path.circular, quantity.has_value()),
                                  QStringLiteral("path"),
                                  csvText(pathText(rows, row, path, item, true)), QString()});
        }
        if (const QString more = morePathsText(row); !more.isEmpty()) {
            const QString rest =
                row.pathCount && *row.pathCount != store::PathCountOver
                    ? QString::number(*row.pathCount - quint64(row.paths.size()))
                    : QString();
            appendCsvRecord(out, {top, QString(), QString(), QString(), QString(),
                                  noteOf(row.circular, true), QStringLiteral("more paths"), more,
                                  rest});
        }
    }
    return out;
}

std::optional<WhereUsedReport> findWhereUsed(desktop::Desktop& desktop, const QString& databasePath,
                                             const std::optional<QString>& item) {
    std::optional<store::StoreError> failure;
    if (!item) {
        failure = store::StoreError(
            store::NoItemChosen,
            QCoreApplication::translate("tree", "No item is chosen: select a node of the tree "
                                                "or a line of the Item Master list first."));
    } else {
        const desktop::BusyPointer busy(desktop);
        std::unique_ptr<desktop::Progress> progress;
        const store::ReadProgress advance = [&](qint64 done, qint64 total) {
            if (!progress)
                progress = desktop.startProgress(
                    QCoreApplication::translate("tree", "Reading the bills of material of %1…")
                        .arg(store::shownLocation(databasePath)),
                    QCoreApplication::translate("tree", "Where Used"));
            return progress->advance(done, total);
        };
        try {
            WhereUsedReport report;
            report.item = *item;
            runOnStore(
                desktop, databasePath,
                QCoreApplication::translate("tree", "Finding where %1 is used\u2026").arg(*item),
                [&](store::StoreCall& call) {
                    store::Store& db = call.db();
                    if (const auto found = db.findItem(*item)) {
                        report.item = found->id;
                        report.description = found->description.value_or(noDescription());
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
