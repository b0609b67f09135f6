#include "tree/drafts/DraftReview.h"

#include "tree/StoreWaiting.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/BillExport.h"
#include "tree/reports/PrintedBill.h"

#include <QCoreApplication>

namespace tree {

namespace {

/// A stored value as it reads back: a number in its shortest exact form, text as it is, Null
/// empty.
QString valueText(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong ||
        value.typeId() == QMetaType::Int)
        return csvQuantity(value.toDouble());
    return value.toString();
}

QStringList rowFields(const std::optional<store::LineRow>& row) {
    if (!row)
        return {QString(), QString(), QString(), QString()};
    return {row->assembly, row->component, valueText(row->quantity), valueText(row->startDate)};
}

} // namespace

store::DraftNow readDraftReview(desktop::Desktop& desktop, const QString& location,
                                const QString& name) {
    store::DraftNow review;
    runWaiting(
        desktop, QCoreApplication::translate("tree", "Reading the draft"),
        [&](const store::ReadProgress&) { review = store::reviewDraftAt(location, name); }, {});
    return review;
}

QString draftChangeText(const store::DraftLine& line) {
    if (!line.base)
        return QStringLiteral("added");
    return line.draft ? QStringLiteral("changed") : QStringLiteral("removed");
}

QString draftSinceText(store::DraftLineNow::Since since) {
    switch (since) {
    case store::DraftLineNow::Since::Unchanged:
        return QStringLiteral("unchanged");
    case store::DraftLineNow::Since::AlreadyAsDraft:
        return QStringLiteral("already as drafted");
    case store::DraftLineNow::Since::Changed:
        return QStringLiteral("changed since");
    }
    return {};
}

QStringList draftLinesHeader() {
    return {QStringLiteral("Change"),          QStringLiteral("Live"),
            QStringLiteral("Base Assembly"),   QStringLiteral("Base Component"),
            QStringLiteral("Base Quantity"),   QStringLiteral("Base Start Date"),
            QStringLiteral("Draft Assembly"),  QStringLiteral("Draft Component"),
            QStringLiteral("Draft Quantity"),  QStringLiteral("Draft Start Date"),
            QStringLiteral("Live Assembly"),   QStringLiteral("Live Component"),
            QStringLiteral("Live Quantity"),   QStringLiteral("Live Start Date")};
}

QStringList draftLineFields(const store::DraftLineNow& line) {
    return QStringList{draftChangeText(line.line), draftSinceText(line.since)} +
           rowFields(line.line.base) + rowFields(line.line.draft) + rowFields(line.live);
}

QByteArray draftLinesCsv(const std::vector<store::DraftLineNow>& lines, bool guardFormulas) {
    QByteArray out;
    appendCsvRecord(out, draftLinesHeader());
    for (const store::DraftLineNow& line : lines) {
        QStringList fields = draftLineFields(line);
        if (guardFormulas)
            for (QString& field : fields)
                field = csvText(field);
        appendCsvRecord(out, fields);
    }
    return out;
}

std::vector<PrintedRow> draftRows(const std::vector<store::DraftLineNow>& lines) {
    const auto quantity = [](const std::optional<store::LineRow>& row) {
        if (!row || row->quantity.isNull())
            return QString();
        bool number = false;
        const double value = row->quantity.toDouble(&number);
        return number ? formatQuantity(value) : row->quantity.toString();
    };
    std::vector<PrintedRow> rows;
    rows.reserve(lines.size());
    for (const store::DraftLineNow& now : lines) {
        const store::DraftLine& line = now.line;
        PrintedRow row;
        row.level = !line.base    ? QCoreApplication::translate("tree", "added")
                    : line.draft ? QCoreApplication::translate("tree", "changed")
                                 : QCoreApplication::translate("tree", "removed");
        row.id = line.component();
        row.description = line.assembly();
        row.quantity = quantity(line.draft);
        row.unit = quantity(line.base);
        row.extended = quantity(now.live);
        QStringList notes;
        if (now.since == store::DraftLineNow::Since::Changed) {
            notes.append(QCoreApplication::translate("tree", "changed since"));
            // The quantities are in the columns; a start date moved meanwhile is said here.
            const std::optional<store::LineRow>& was = line.base;
            if (was && now.live && valueText(was->startDate) != valueText(now.live->startDate))
                notes.append(QCoreApplication::translate("tree", "start date now %1")
                                 .arg(valueText(now.live->startDate)));
        }
        if (line.base && line.draft && valueText(line.base->startDate) != valueText(line.draft->startDate))
            notes.append(QCoreApplication::translate("tree", "start date %1 \u2192 %2")
                             .arg(valueText(line.base->startDate), valueText(line.draft->startDate)));
        row.note = notes.join(QStringLiteral(", "));
        row.marked = now.since == store::DraftLineNow::Since::Changed;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tree
