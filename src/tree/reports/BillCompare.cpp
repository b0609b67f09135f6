#include "tree/reports/BillCompare.h"

#include "store/ItemKey.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tree {

namespace {

/// Equal as the bills show quantities: sums over other paths may differ in their last binary
/// digits, which no one typed and no column shows (fifteen significant digits).
bool sameQuantity(double x, double y) {
    if (x == y)
        return true;
    return std::fabs(x - y) <= 1e-12 * std::max(std::fabs(x), std::fabs(y));
}

Mark markOf(const ComparedLine& line) {
    if (!line.inB)
        return Mark::Removed;
    if (!line.inA)
        return Mark::Added;
    if (line.quantityA && line.quantityB)
        return sameQuantity(*line.quantityA, *line.quantityB) ? Mark::Unchanged : Mark::Changed;
    // A number on one side and none on the other is a difference of the bills themselves.
    if (line.quantityA || line.quantityB)
        return Mark::Changed;
    return Mark::Unknown;
}

/// Per item: whether its need passes through a cycle: it lies on one, or below one.
std::vector<bool> belowCycle(const Structure& structure) {
    const Structure::Totals& totals = structure.totals();
    std::vector<bool> below(size_t(structure.itemCount()), false);
    std::vector<int> pending;
    for (int item = 0; item < structure.itemCount(); ++item)
        if (totals.circular[size_t(item)]) {
            below[size_t(item)] = true;
            pending.push_back(item);
        }
    while (!pending.empty()) {
        const int item = pending.back();
        pending.pop_back();
        for (int id : structure.linesOf(item)) {
            const int component = structure.line(id).component;
            if (!below[size_t(component)]) {
                below[size_t(component)] = true;
                pending.push_back(component);
            }
        }
    }
    return below;
}

/// The facts of one side's note as bits of ComparedLine::notesA or notesB.
enum NoteFact : quint8 { NoQuantityFact = 1, CircularFact = 2, DepthLimitFact = 4 };

/// One side's facts in words, each naming the side ("A", "B", the same in every language).
void addNotes(QStringList& notes, quint8 facts, QLatin1StringView side, bool shown) {
    static const std::pair<NoteFact, const char*> words[] = {
        {NoQuantityFact, QT_TRANSLATE_NOOP("tree", "no quantity in %1")},
        {CircularFact, QT_TRANSLATE_NOOP("tree", "circular in %1")},
        {DepthLimitFact, QT_TRANSLATE_NOOP("tree", "not expanded: depth limit in %1")},
    };
    for (const auto& [fact, text] : words)
        if (facts & fact)
            notes.append(
                (shown ? QCoreApplication::translate("tree", text) : QString::fromUtf8(text))
                    .arg(side));
}

} // namespace

QString markText(Mark mark, bool shown) {
    const char* text = QT_TRANSLATE_NOOP("tree", "Unknown");
    switch (mark) {
    case Mark::Unchanged:
        text = QT_TRANSLATE_NOOP("tree", "Unchanged");
        break;
    case Mark::Added:
        text = QT_TRANSLATE_NOOP("tree", "Added");
        break;
    case Mark::Removed:
        text = QT_TRANSLATE_NOOP("tree", "Removed");
        break;
    case Mark::Changed:
        text = QT_TRANSLATE_NOOP("tree", "Changed");
        break;
    case Mark::Unknown:
        break;
    }
    return shown ? QCoreApplication::translate("tree", text) : QString::fromUtf8(text);
}

QString compareNote(const ComparedLine& line, bool shown) {
    QStringList notes;
    addNotes(notes, line.notesA, QLatin1StringView("A"), shown);
    addNotes(notes, line.notesB, QLatin1StringView("B"), shown);
    return notes.join(QStringLiteral("; "));
}

std::optional<double> ComparedLine::difference() const {
    if ((inA && !quantityA) || (inB && !quantityB))
        return std::nullopt;
    return (inB ? *quantityB : 0.0) - (inA ? *quantityA : 0.0);
}

std::vector<ComparedLine> compareSummarised(const Structure& a, const Structure& b) {
    const std::vector<SummaryLine> summaryA = summarisedBill(a);
    const std::vector<SummaryLine> summaryB = summarisedBill(b);
    const std::vector<bool> cycleA = belowCycle(a);
    const std::vector<bool> cycleB = belowCycle(b);

    std::vector<ComparedLine> lines;
    lines.reserve(summaryA.size() + summaryB.size());
    QHash<QString, size_t> placeOf;
    const auto side = [&](const std::vector<SummaryLine>& summary, const Structure& structure,
                          const std::vector<bool>& cycle, bool isA) {
        for (const SummaryLine& item : summary) {
            const QString key = store::foldKey(item.itemId);
            auto found = placeOf.constFind(key);
            if (found == placeOf.cend()) {
                found = placeOf.insert(key, lines.size());
                ComparedLine line;
                line.itemId = item.itemId;
                line.description = item.description;
                line.unit = item.unit;
                lines.push_back(std::move(line));
            }
            ComparedLine& line = lines[*found];
            std::optional<double> quantity = item.totalQuantity;
            const int index = structure.itemOf(item.itemId);
            quint8& facts = isA ? line.notesA : line.notesB;
            if (index >= 0 && cycle[size_t(index)]) {
                quantity.reset();
                facts |= CircularFact;
            } else if (!quantity) {
                facts |= NoQuantityFact;
            }
            (isA ? line.inA : line.inB) = true;
            (isA ? line.quantityA : line.quantityB) = quantity;
        }
    };
    side(summaryA, a, cycleA, true);
    side(summaryB, b, cycleB, false);
    for (size_t i = 0; i < lines.size(); ++i) {
        lines[i].mark = markOf(lines[i]);
        lines[i].changedHere = lines[i].mark != Mark::Unchanged;
        lines[i].note = compareNote(lines[i]);
    }
    return lines;
}

namespace {

/// The paired walk of compareIndented: one frame per row opened on the path.
class PairedWalk {
public:
    PairedWalk(const Structure& a, const Structure& b, int depthLimit)
        : m_a(a), m_b(b), m_depthLimit(depthLimit), m_onPathA(size_t(a.itemCount()), 0),
          m_onPathB(size_t(b.itemCount()), 0) {
        m_onPathA[Structure::Top] = 1;
        m_onPathB[Structure::Top] = 1;
        push(Structure::Top, Structure::Top);
    }

    /// The next row; false after the last.
    bool next(ComparedLine& row) {
        while (!m_path.empty()) {
            Frame& frame = m_path.back();
            if (frame.next == frame.children.size()) {
                if (frame.itemA >= 0)
                    --m_onPathA[size_t(frame.itemA)];
                if (frame.itemB >= 0)
                    --m_onPathB[size_t(frame.itemB)];
                m_path.pop_back();
                continue;
            }
            const auto [lineA, lineB] = frame.children[frame.next++];
            makeRow(lineA, lineB, row);
            return true;
        }
        return false;
    }

private:
    struct Frame {
        int itemA; ///< -1 where A has no such row
        int itemB;
        std::vector<std::pair<int, int>> children; ///< (line of A, line of B), -1 for none
        size_t next = 0;
    };

    /// The components of both rows, matched by folded ID, in A's order with B's own ones
    /// placed before the next line they precede in B.
    void push(int itemA, int itemB) {
        Frame frame{itemA, itemB, {}, 0};
        static const std::vector<int> none;
        const std::vector<int>& linesA = itemA >= 0 ? m_a.linesOf(itemA) : none;
        const std::vector<int>& linesB = itemB >= 0 ? m_b.linesOf(itemB) : none;
        QHash<QString, size_t> placeInB;
        placeInB.reserve(qsizetype(linesB.size()));
        for (size_t j = 0; j < linesB.size(); ++j)
            placeInB.insert(store::foldKey(m_b.line(linesB[j]).text), j); // the first wins
        std::vector<bool> taken(linesB.size(), false);
        size_t nextB = 0;
        const auto emitUpTo = [&](size_t end) {
            for (; nextB < end; ++nextB)
                if (!taken[nextB]) {
                    taken[nextB] = true;
                    frame.children.emplace_back(-1, linesB[nextB]);
                }
        };
        for (int lineA : linesA) {
            const auto found = placeInB.constFind(store::foldKey(m_a.line(lineA).text));
            if (found == placeInB.cend() || taken[*found]) {
                frame.children.emplace_back(lineA, -1);
                continue;
            }
            emitUpTo(*found);
            taken[*found] = true;
            frame.children.emplace_back(lineA, linesB[*found]);
        }
        emitUpTo(linesB.size());
        m_path.push_back(std::move(frame));
    }

    void makeRow(int lineA, int lineB, ComparedLine& row) {
        row = ComparedLine{};
        row.level = int(m_path.size());
        const Structure::Line* storedA = lineA >= 0 ? &m_a.line(lineA) : nullptr;
        const Structure::Line* storedB = lineB >= 0 ? &m_b.line(lineB) : nullptr;
        const Structure::Line& shown = storedA ? *storedA : *storedB;
        row.itemId = shown.text;
        row.description = shown.description;
        row.unit = shown.unit;
        row.inA = storedA;
        row.inB = storedB;
        // Whether the side's row opens, by the tree's rules; a side without the row does not
        // stop the other.
        bool opens = true;
        bool hasLines = false;
        const auto side = [&](const Structure& structure, const Structure::Line* stored,
                              std::vector<int>& onPath, std::optional<double>& quantity,
                              quint8& facts) {
            if (!stored)
                return;
            quantity = stored->quantity;
            if (!quantity)
                facts |= NoQuantityFact;
            const bool lines = structure.hasLines(stored->component);
            hasLines = hasLines || lines;
            if (onPath[size_t(stored->component)] > 0) {
                facts |= CircularFact;
                opens = false;
            } else if (lines && row.level >= m_depthLimit) {
                facts |= DepthLimitFact;
                opens = false;
            }
        };
        side(m_a, storedA, m_onPathA, row.quantityA, row.notesA);
        side(m_b, storedB, m_onPathB, row.quantityB, row.notesB);
        row.mark = markOf(row);
        row.note = compareNote(row);
        if (opens && hasLines) {
            const int itemA = storedA ? storedA->component : -1;
            const int itemB = storedB ? storedB->component : -1;
            if (itemA >= 0)
                ++m_onPathA[size_t(itemA)];
            if (itemB >= 0)
                ++m_onPathB[size_t(itemB)];
            push(itemA, itemB);
        }
    }

    const Structure& m_a;
    const Structure& m_b;
    int m_depthLimit;
    std::vector<Frame> m_path;
    std::vector<int> m_onPathA;
    std::vector<int> m_onPathB;
};

} // namespace

IndentedComparison compareIndented(const Structure& a, const Structure& b, int depthLimit,
                                   size_t rowLimit) {
    IndentedComparison result;
    PairedWalk walk(a, b, depthLimit);
    for (ComparedLine row; walk.next(row);) {
        if (result.rows.size() == rowLimit) {
            result.truncated = true;
            break;
        }
        result.rows.push_back(std::move(row));
    }
    // Whether anything at or below each row differs, from the last row up: a row's children
    // follow it with a deeper level, so each level gathers its children's flags.
    std::vector<char> below(size_t(std::max(depthLimit, 1)) + 2, 0);
    for (auto row = result.rows.rbegin(); row != result.rows.rend(); ++row) {
        const size_t level = size_t(row->level);
        if (below.size() < level + 2)
            below.resize(level + 2, 0);
        row->changedHere = row->mark != Mark::Unchanged || below[level + 1];
        below[level + 1] = 0;
        below[level] = char(below[level] || row->changedHere);
    }
    return result;
}

QByteArray comparisonCsv(const std::vector<const ComparedLine*>& lines, bool indented) {
    QByteArray out;
    out.reserve(qsizetype(lines.size()) * 64 + 128);
    QStringList header{QStringLiteral("Item ID"),    QStringLiteral("Description"),
                       QStringLiteral("UOM"),        QStringLiteral("Quantity A"),
                       QStringLiteral("Quantity B"), QStringLiteral("Difference"),
                       QStringLiteral("Mark"),       QStringLiteral("Note")};
    if (indented)
        header.prepend(QStringLiteral("Level"));
    appendCsvRecord(out, header);
    for (const ComparedLine* line : lines) {
        QStringList fields{csvText(line->itemId),         csvText(line->description),
                           csvText(line->unit),           csvQuantity(line->quantityA),
                           csvQuantity(line->quantityB),  csvQuantity(line->difference()),
                           markText(line->mark),          line->note};
        if (indented)
            fields.prepend(QString::number(line->level));
        appendCsvRecord(out, fields);
    }
    return out;
}

} // namespace tree
