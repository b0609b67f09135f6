#include "shell/history/HistoryTexts.h"

#include "tree/BillExport.h"
#include "tree/Texts.h"

namespace shell {

namespace {

QString timeText(const QDateTime& moment, HistoryTime time) {
    if (!moment.isValid())
        return {};
    if (time == HistoryTime::IsoUtc)
        return moment.toUTC().toString(Qt::ISODate);
    return moment.toLocalTime().toString(store::schema::StartDateFormat);
}

/// An ID with its description of that moment beside it, where it had one.
QString withDescription(const QString& id, const std::optional<QString>& description) {
    if (id.isEmpty() || !description || description->isEmpty())
        return id;
    return QStringLiteral("%1 (%2)").arg(id, *description);
}

/// A line: its quantity and start date; an item: its description and unit.
QString rowText(const store::RowImage& row, bool line) {
    if (!row.exists)
        return QStringLiteral("—");
    QStringList parts;
    if (line) {
        // Another program may have left text in the number column: shown as it stands.
        if (row.quantity.isNull())
            parts.append(QStringLiteral("no quantity"));
        else if (row.quantity.typeId() == QMetaType::QString)
            parts.append(row.quantity.toString());
        else
            parts.append(tree::csvQuantity(row.quantity.toDouble()));
        if (!row.startDate.isNull())
            parts.append(QStringLiteral("from %1").arg(row.startDate.toString()));
    } else {
        parts.append(row.description ? *row.description : tree::NoDescription);
        if (row.unit)
            parts.append(*row.unit);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QStringList historyHeader() {
    return {QStringLiteral("Time"),     QStringLiteral("Who"),       QStringLiteral("Source"),
            QStringLiteral("Command"),  QStringLiteral("Reason"),    QStringLiteral("Table"),
            QStringLiteral("Assembly"), QStringLiteral("Component"), QStringLiteral("Before"),
            QStringLiteral("After")};
}

QStringList historyCells(const store::ChangeRecord& change, HistoryTime time) {
    const bool line = change.table == store::schema::BomDetail;
    const QString when = change.notBefore.isValid() ? QStringLiteral("between %1 and %2")
                                                          .arg(timeText(change.notBefore, time),
                                                               timeText(change.time, time))
                                                    : timeText(change.time, time);
    QString who = change.host.isEmpty() ? change.person
                                        : QStringLiteral("%1@%2").arg(change.person, change.host);
    // What another session said of itself is shown as said, beside what the server knows.
    if (!change.claimedBy.isEmpty())
        who = QStringLiteral("%1, claiming to be %2").arg(who, change.claimedBy);
    return {when,
            who,
            store::sourceText(change.source),
            change.command,
            change.reason,
            line ? QStringLiteral("line") : QStringLiteral("item"),
            withDescription(change.key, change.keyDescription),
            withDescription(change.component, change.componentDescription),
            rowText(change.before, line),
            rowText(change.after, line)};
}

QByteArray historyCsv(const std::vector<store::ChangeRecord>& changes, HistoryTime time) {
    QByteArray out;
    tree::appendCsvRecord(out, historyHeader());
    for (const store::ChangeRecord& change : changes) {
        QStringList cells = historyCells(change, time);
        for (QString& cell : cells)
            cell = tree::csvText(cell);
        tree::appendCsvRecord(out, cells);
    }
    return out;
}

} // namespace shell
