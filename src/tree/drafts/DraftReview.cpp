#include "tree/drafts/DraftReview.h"

#include "tree/StoreWaiting.h"
#include "tree/reports/BillExport.h"

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

} // namespace tree
