#include "tree/BillExport.h"

#include "store/ItemKey.h"

#include <QHash>

#include <charconv>
#include <cmath>

namespace tree {

namespace {

/// The facts a note may state, as bits, so that a summary line can gather those of its nodes.
enum NoteFact : unsigned {
    CircularFact = 1,
    NodeLimitFact = 2,
    DepthLimitFact = 4,
    UnknownItemFact = 8,
    NullQuantityFact = 16,
    NotPositiveFact = 32,
};

unsigned factsOf(const IndentedLine& line) {
    unsigned facts = 0;
    if (line.circular)
        facts |= CircularFact;
    if (line.stop == Stop::NodeLimit)
        facts |= NodeLimitFact;
    if (line.stop == Stop::DepthLimit)
        facts |= DepthLimitFact;
    if (line.problems.testFlag(LineProblem::UnknownItem))
        facts |= UnknownItemFact;
    if (line.problems.testFlag(LineProblem::NullQuantity))
        facts |= NullQuantityFact;
    if (line.problems.testFlag(LineProblem::NotPositive))
        facts |= NotPositiveFact;
    return facts;
}

QString noteOf(unsigned facts) {
    // First why nothing is below the line, then what is wrong with the line itself.
    static const std::pair<NoteFact, const char*> words[] = {
        {CircularFact, "circular"},
        {NodeLimitFact, "not expanded: node limit"},
        {DepthLimitFact, "not expanded: depth limit"},
        {UnknownItemFact, "not in Item Master"},
        {NullQuantityFact, "no quantity"},
        {NotPositiveFact, "quantity ≤ 0"},
    };
    QStringList parts;
    for (const auto& [fact, text] : words)
        if (facts & fact)
            parts.append(QString::fromUtf8(text));
    return parts.join(QStringLiteral("; "));
}

} // namespace

std::vector<IndentedLine> indentedBill(const BomTreeModel& model) {
    std::vector<IndentedLine> lines;
    lines.reserve(size_t(model.nodeCount()));
    // An explicit stack rather than recursion: a tree may be as deep as the load's depth limit.
    struct Pending {
        QModelIndex parent;
        int row;
    };
    std::vector<Pending> stack{{QModelIndex(), 0}};
    while (!stack.empty()) {
        Pending& top = stack.back();
        if (top.row >= model.rowCount(top.parent)) {
            stack.pop_back();
            continue;
        }
        const QModelIndex node = model.index(top.row++, ItemIdColumn, top.parent);
        IndentedLine line;
        line.level = int(stack.size());
        line.itemId = model.text(node);
        line.description = model.description(node);
        line.quantity = model.quantity(node);
        line.unit = model.unit(node);
        // The model's own product, so that the file holds to the last digit what the tree shows.
        line.extendedQuantity = model.extendedQuantity(node);
        line.parent = top.parent.isValid() ? model.text(top.parent) : model.topAssembly();
        line.circular = model.isCircular(node);
        line.stop = model.stopOf(node);
        line.hasChildren = model.rowCount(node) > 0;
        line.problems = model.problemsOf(node);
        lines.push_back(std::move(line));
        if (lines.back().hasChildren)
            stack.push_back({node, 0});
    }
    return lines;
}

std::vector<SummaryLine> summarisedBill(const std::vector<IndentedLine>& indented) {
    // Items are listed in the order they first appear in the indented bill, so the summary
    // reads top-down like the tree; IDs are grouped as the database matches them.
    //
    // Circular and limit-stopped nodes are lines of the bill like any other: each adds its own
    // extended quantity. What stands below them was never loaded, so it adds nothing; the tree
    // marks those nodes and the load has said why.
    std::vector<SummaryLine> summary;
    std::vector<unsigned> facts;
    QHash<QString, size_t> placeOf;
    placeOf.reserve(qsizetype(indented.size()));
    for (const IndentedLine& line : indented) {
        const QString key = store::foldKey(line.itemId);
        auto found = placeOf.constFind(key);
        if (found == placeOf.cend()) {
            found = placeOf.insert(key, summary.size());
            summary.push_back({line.itemId, line.description, line.unit, 0.0, false, {}});
            facts.push_back(0);
        }
        SummaryLine& item = summary[*found];
        // A node left unexpanded, by a cycle or a limit, stands for an item with components.
        item.hasBill = item.hasBill || line.hasChildren || line.circular || line.stop != Stop::None;
        facts[*found] |= factsOf(line);
        // One path with an unknown quantity makes the total unknown: a partial sum would
        // read as a true one.
        if (item.totalQuantity && line.extendedQuantity)
            *item.totalQuantity += *line.extendedQuantity;
        else
            item.totalQuantity.reset();
    }
    for (size_t i = 0; i < summary.size(); ++i)
        summary[i].note = noteOf(facts[i]);
    return summary;
}

QString lineNote(const IndentedLine& line) { return noteOf(factsOf(line)); }

QString csvText(const QString& text) {
    if (!text.isEmpty() && QStringView(u"=+-@\t\r'").contains(text.front()))
        return u'\'' + text;
    return text;
}

QString csvQuantity(std::optional<double> quantity) {
    if (!quantity)
        return {};
    // Fifteen significant digits, as the tree shows quantities: sums and products of stored
    // quantities carry the binary rounding of doubles in their last digits (0.1 + 0.2 is
    // 0.30000000000000004), which no one typed and no spreadsheet shows.
    char digits[32];
    const auto rounded = std::to_chars(digits, digits + sizeof digits, *quantity,
                                       std::chars_format::general, 15);
    double value = *quantity;
    std::from_chars(digits, rounded.ptr, value);
    // std::to_chars gives the fewest digits that read back exactly, always with '.' and never
    // with grouping (and "inf" for the infinity a REAL column can hold). Plain decimals over the
    // range quantities live in (no "1e+06" for a million); exponents only beyond it, where plain
    // digits would run to dozens of places.
    const double magnitude = std::fabs(value);
    const auto format = magnitude == 0 || (magnitude >= 1e-6 && magnitude < 1e15)
                            ? std::chars_format::fixed
                            : std::chars_format::scientific;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

void appendCsvRecord(QByteArray& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        const QByteArray field = fields[i].toUtf8();
        if (field.contains(',') || field.contains('"') || field.contains('\r') ||
            field.contains('\n')) {
            out += '"';
            out += QByteArray(field).replace('"', "\"\"");
            out += '"';
        } else {
            out += field;
        }
    }
    out += "\r\n";
}

QByteArray indentedCsv(const std::vector<IndentedLine>& lines) {
    QByteArray out;
    out.reserve(qsizetype(lines.size()) * 64);
    appendCsvRecord(out, {QStringLiteral("Level"), QStringLiteral("Item ID"),
                          QStringLiteral("Description"), QStringLiteral("Quantity"),
                          QStringLiteral("UOM"), QStringLiteral("Extended Quantity"),
                          QStringLiteral("Parent"), QStringLiteral("Note")});
    for (const IndentedLine& line : lines)
        appendCsvRecord(out, {QString::number(line.level), csvText(line.itemId),
                              csvText(line.description), csvQuantity(line.quantity),
                              csvText(line.unit), csvQuantity(line.extendedQuantity),
                              csvText(line.parent), lineNote(line)});
    return out;
}

QByteArray summarisedCsv(const std::vector<SummaryLine>& lines) {
    QByteArray out;
    out.reserve(qsizetype(lines.size()) * 64);
    appendCsvRecord(out, {QStringLiteral("Item ID"), QStringLiteral("Description"),
                          QStringLiteral("Total Quantity"), QStringLiteral("UOM"),
                          QStringLiteral("Has Bill"), QStringLiteral("Note")});
    for (const SummaryLine& line : lines)
        appendCsvRecord(out, {csvText(line.itemId), csvText(line.description),
                              csvQuantity(line.totalQuantity), csvText(line.unit),
                              line.hasBill ? QStringLiteral("yes") : QStringLiteral("no"),
                              line.note});
    return out;
}

} // namespace tree
