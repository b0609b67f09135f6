#include "tree/edits/BulkEdits.h"

#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QDateTime>

namespace tree {

QVariant scaledQuantity(const QVariant& stored, std::optional<double> factor) {
    if (!factor || !isNumber(stored))
        return stored;
    return QVariant(stored.toDouble() * *factor);
}

store::LineBatch replaceBatch(const std::vector<store::LineRow>& uses, const QString& component,
                              std::optional<double> factor) {
    store::LineBatch batch;
    batch.removed = uses;
    for (const store::LineRow& use : uses)
        batch.added.push_back(
            {use.assembly, component, scaledQuantity(use.quantity, factor), use.startDate});
    return batch;
}

QVariant ruledQuantity(const QVariant& stored, const QuantityRule& rule) {
    return rule.multiply ? scaledQuantity(stored, rule.number) : QVariant(rule.number);
}

store::LineBatch quantityBatch(const std::vector<store::LineRow>& uses, const QuantityRule& rule) {
    store::LineBatch batch;
    batch.removed = uses;
    for (const store::LineRow& use : uses)
        batch.added.push_back(
            {use.assembly, use.component, ruledQuantity(use.quantity, rule), use.startDate});
    return batch;
}

store::LineBatch removeBatch(const std::vector<store::LineRow>& uses) { return {uses, {}}; }

store::LineBatch copyBatch(const std::vector<store::LineRow>& bill, const QString& target) {
    store::LineBatch batch;
    // One moment for the whole copy: the lines were started together.
    const QString now = QDateTime::currentDateTime().toString(store::schema::StartDateFormat);
    for (const store::LineRow& line : bill)
        batch.added.push_back({target, line.component, line.quantity, now});
    return batch;
}

std::vector<store::LineRow> linesAt(const std::vector<store::LineRow>& rows,
                                    const std::vector<size_t>& chosen) {
    std::vector<store::LineRow> picked;
    for (size_t at : chosen)
        picked.push_back(rows.at(at));
    return picked;
}

std::vector<size_t> unrefused(const std::vector<std::optional<store::StoreError>>& refusals) {
    std::vector<size_t> places;
    for (size_t at = 0; at < refusals.size(); ++at)
        if (!refusals[at])
            places.push_back(at);
    return places;
}

QString refusalLine(const store::LineRow& row, const store::StoreError& refusal) {
    return QStringLiteral("%1 \u2192 %2: %3").arg(row.assembly, row.component, refusal.message());
}

QString refusalList(const std::vector<store::LineRow>& rows,
                    const std::vector<std::optional<store::StoreError>>& refusals, int shown) {
    QStringList lines;
    int more = 0;
    for (size_t at = 0; at < rows.size() && at < refusals.size(); ++at) {
        if (!refusals[at])
            continue;
        if (lines.size() < shown)
            lines.append(refusalLine(rows[at], *refusals[at]));
        else
            ++more;
    }
    if (more > 0)
        lines.append(QCoreApplication::translate("tree", "… and %n more.", nullptr, more));
    return lines.join(u'\n');
}

} // namespace tree
