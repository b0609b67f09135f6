#include "tree/reports/BillExport.h"

#include "store/ItemKey.h"
#include "tree/bill/Structure.h"
#include "tree/plan/LowLevelCodes.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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

/// The note in English for the files, which other programs read; in the user's language
/// where the window shows it (`shown`).
QString noteOf(unsigned facts, bool shown) {
    // First why nothing is below the line, then what is wrong with the line itself.
    static const std::pair<NoteFact, const char*> words[] = {
        {CircularFact, QT_TRANSLATE_NOOP("tree", "circular")},
        {NodeLimitFact, QT_TRANSLATE_NOOP("tree", "not expanded: node limit")},
        {DepthLimitFact, QT_TRANSLATE_NOOP("tree", "not expanded: depth limit")},
        {UnknownItemFact, QT_TRANSLATE_NOOP("tree", "not in Item Master")},
        {NullQuantityFact, QT_TRANSLATE_NOOP("tree", "no quantity")},
        {NotPositiveFact, QT_TRANSLATE_NOOP("tree", "quantity ≤ 0")},
    };
    QStringList parts;
    for (const auto& [fact, text] : words)
        if (facts & fact)
            parts.append(shown ? QCoreApplication::translate("tree", text)
                               : QString::fromUtf8(text));
    return parts.join(QStringLiteral("; "));
}

} // namespace

IndentedWalk::IndentedWalk(const Structure& structure, int depthLimit)
    : m_structure(structure), m_depthLimit(depthLimit),
      m_onPath(size_t(structure.itemCount()), 0) {
    m_path.push_back({Structure::Top, 0, 1.0, structure.topText()});
    m_onPath[Structure::Top] = 1;
}

bool IndentedWalk::next(IndentedLine& line) {
    while (!m_path.empty()) {
        Level& level = m_path.back();
        const std::vector<int>& lines = m_structure.linesOf(level.item);
        if (level.next == lines.size()) {
            --m_onPath[size_t(level.item)];
            m_path.pop_back();
            continue;
        }
        const Structure::Line& stored = m_structure.line(lines[level.next++]);
        line = IndentedLine{};
        line.level = int(m_path.size());
        line.itemId = stored.text;
        line.description = stored.description;
        line.quantity = stored.quantity;
        line.unit = stored.unit;
        if (level.extended && stored.quantity)
            line.extendedQuantity = *level.extended * *stored.quantity;
        line.parent = level.text;
        line.circular = m_onPath[size_t(stored.component)] > 0;
        const bool hasLines = m_structure.hasLines(stored.component);
        if (!line.circular && hasLines && line.level >= m_depthLimit)
            line.stop = Stop::DepthLimit;
        line.hasChildren = !line.circular && hasLines && line.stop == Stop::None;
        if (!stored.known)
            line.problems |= LineProblem::UnknownItem;
        if (!stored.quantity)
            line.problems |= LineProblem::NullQuantity;
        else if (*stored.quantity <= 0)
            line.problems |= LineProblem::NotPositive;
        if (line.hasChildren) {
            ++m_onPath[size_t(stored.component)];
            m_path.push_back({stored.component, 0, line.extendedQuantity, stored.text});
        }
        return true;
    }
    return false;
}

std::vector<IndentedLine> indentedBill(const Structure& structure, int depthLimit) {
    std::vector<IndentedLine> lines;
    IndentedWalk walk(structure, depthLimit);
    for (IndentedLine line; walk.next(line);)
        lines.push_back(std::move(line));
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
        summary[i].note = noteOf(facts[i], false);
    return summary;
}

std::vector<SummaryLine> summarisedBill(const Structure& structure, bool shown) {
    const Structure::Totals& totals = structure.totals();
    // What the lines into each item say, gathered over every line the tree shows.
    std::vector<unsigned> facts(size_t(structure.itemCount()), 0);
    const auto gather = [&](int item) {
        for (int id : structure.linesOf(item)) {
            const Structure::Line& line = structure.line(id);
            unsigned& into = facts[size_t(line.component)];
            if (!line.known)
                into |= UnknownItemFact;
            if (!line.quantity)
                into |= NullQuantityFact;
            else if (*line.quantity <= 0)
                into |= NotPositiveFact;
        }
    };
    gather(Structure::Top);
    std::vector<SummaryLine> summary;
    summary.reserve(totals.firstShown.size());
    for (const auto& [item, lineId] : totals.firstShown) {
        if (item != Structure::Top)
            gather(item);
    }
    for (const auto& [item, lineId] : totals.firstShown) {
        const Structure::Line& first = structure.line(lineId);
        unsigned itemFacts = facts[size_t(item)];
        if (totals.circular[size_t(item)])
            itemFacts |= CircularFact;
        summary.push_back({first.text, first.description, first.unit, totals.need[size_t(item)],
                           structure.hasLines(item) || totals.circular[size_t(item)],
                           noteOf(itemFacts, shown)});
    }
    return summary;
}

std::vector<SummaryLine> summarisedBillByLevel(const Structure& structure) {
    std::vector<SummaryLine> summary = summarisedBill(structure);
    // The lines of the items the bill shows, the loaded item's first: a parent's code is below
    // each of its components' in the loaded structure as in the whole database.
    std::vector<std::pair<QString, QString>> lines;
    const auto take = [&](int item) {
        for (int id : structure.linesOf(item))
            lines.emplace_back(structure.textOf(item), structure.line(id).text);
    };
    take(Structure::Top);
    for (const auto& [item, lineId] : structure.totals().firstShown)
        if (item != Structure::Top)
            take(item);
    const LowLevelCodes codes = lowLevelCodes(lines);
    std::vector<std::pair<int, size_t>> order; // (code, place today)
    order.reserve(summary.size());
    for (size_t at = 0; at < summary.size(); ++at)
        order.emplace_back(
            codes.code.value(store::foldKey(summary[at].itemId), std::numeric_limits<int>::max()),
            at);
    std::sort(order.begin(), order.end());
    std::vector<SummaryLine> ordered;
    ordered.reserve(summary.size());
    for (const auto& [code, at] : order)
        ordered.push_back(std::move(summary[at]));
    return ordered;
}

QString lineNote(const IndentedLine& line, bool shown) {
    const unsigned facts = factsOf(line);
    return facts == 0 ? QString() : noteOf(facts, shown);
}

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

namespace {

/// One RFC 4180 field, UTF-8 encoded, quoted only where it must be.
void appendCsvField(QByteArray& out, QStringView field) {
    bool quoted = false;
    for (const QChar c : field)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quoted = true;
            break;
        }
    if (!quoted) {
        out += field.toUtf8();
        return;
    }
    out += '"';
    out += field.toUtf8().replace('"', "\"\"");
    out += '"';
}

} // namespace

void appendCsvRecord(QByteArray& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        appendCsvField(out, fields[i]);
    }
    out += "\r\n";
}

void appendIndentedCsvHeader(QByteArray& out) {
    appendCsvRecord(out, {QStringLiteral("Level"), QStringLiteral("Item ID"),
                          QStringLiteral("Description"), QStringLiteral("Quantity"),
                          QStringLiteral("UOM"), QStringLiteral("Extended Quantity"),
                          QStringLiteral("Parent"), QStringLiteral("Note")});
}

void appendIndentedCsvRecord(QByteArray& out, const IndentedLine& line) {
    // Field by field: an export of a million rows spends its time here.
    out += QByteArray::number(line.level);
    for (const QString& field :
         {csvText(line.itemId), csvText(line.description), csvQuantity(line.quantity),
          csvText(line.unit), csvQuantity(line.extendedQuantity), csvText(line.parent),
          lineNote(line)}) {
        out += ',';
        appendCsvField(out, field);
    }
    out += "\r\n";
}

QByteArray indentedCsv(const std::vector<IndentedLine>& lines) {
    QByteArray out;
    out.reserve(qsizetype(lines.size()) * 64);
    appendIndentedCsvHeader(out);
    for (const IndentedLine& line : lines)
        appendIndentedCsvRecord(out, line);
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
