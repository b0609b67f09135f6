// The comparison of two bills against oracles made another way: the set difference of the two
// summarised bills, and each side's own indented bill, on generated structures.

#include "store/ItemKey.h"
#include "tree/bill/Structure.h"
#include "tree/reports/BillCompare.h"
#include "tree/reports/BillExport.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <map>

using namespace tree;

namespace {

using Bills = QHash<QString, store::ComponentLines>;

QString itemName(int i) { return QStringLiteral("p-%1").arg(i); }

/// A quantity now and then Null or negative; an ID now and then spelled in capitals.
std::optional<double> someQuantity(QRandomGenerator& random) {
    static const double values[] = {1, 2, 0.5, 3, 0.1, -1};
    return random.bounded(12) == 0 ? std::nullopt
                                   : std::optional(values[random.bounded(int(std::size(values)))]);
}
QString spelled(const QString& id, QRandomGenerator& random) {
    return random.bounded(4) == 0 ? id.toUpper() : id.toLower();
}
store::ComponentLine lineTo(int component, QRandomGenerator& random) {
    const QString id = spelled(itemName(component), random);
    return {id, someQuantity(random), QStringLiteral("EA"), QStringLiteral("Part ") + id, true, {}};
}

/// Items 0 (the top) to `items - 1`, each using a few later ones; with `cycles`, now and then
/// an earlier one too.
Bills generate(QRandomGenerator& random, int items, bool cycles) {
    Bills bills;
    for (int i = 0; i < items - 1; ++i) {
        QSet<int> used;
        for (int n = random.bounded(4); n > 0; --n) {
            const int component = cycles && random.bounded(10) == 0
                                      ? random.bounded(i + 1)
                                      : i + 1 + random.bounded(items - i - 1);
            if (!used.contains(component)) {
                used.insert(component);
                bills[store::foldKey(itemName(i))].append(lineTo(component, random));
            }
        }
    }
    return bills;
}

/// The same bills with some lines changed, gone or new, and some IDs spelled otherwise.
Bills mutate(Bills bills, QRandomGenerator& random, int items) {
    for (auto it = bills.begin(); it != bills.end(); ++it) {
        store::ComponentLines& lines = *it;
        for (qsizetype j = lines.size() - 1; j >= 0; --j) {
            if (const int dice = random.bounded(12); dice == 0)
                lines.removeAt(j);
            else if (dice < 3)
                lines[j].quantity = someQuantity(random);
            else if (dice == 3)
                lines[j].id = spelled(lines[j].id, random);
        }
        const int from = it.key().mid(2).toInt();
        const int component = from + 1 + random.bounded(std::max(items - 1 - from, 1));
        if (random.bounded(6) == 0 && component < items &&
            std::none_of(lines.begin(), lines.end(), [&](const store::ComponentLine& line) {
                return store::foldKey(line.id) == store::foldKey(itemName(component));
            }))
            lines.append(lineTo(component, random));
    }
    return bills;
}

Structure structureOf(const Bills& bills) {
    Structure structure;
    structure.reset(itemName(0), bills);
    return structure;
}

/// Per folded item: whether its need passes through a cycle, found by plain reachability: it
/// is reached from an item reachable from the top that reaches itself.
QSet<QString> throughCycle(const Bills& bills) {
    const auto reach = [&](const QString& from) {
        QSet<QString> seen;
        QList<QString> pending{from};
        while (!pending.isEmpty()) {
            const QString item = pending.takeLast();
            for (const auto& line : bills.value(item)) {
                const QString key = store::foldKey(line.id);
                if (!seen.contains(key)) {
                    seen.insert(key);
                    pending.append(key);
                }
            }
        }
        return seen;
    };
    const QString top = store::foldKey(itemName(0));
    QSet<QString> fromTop = reach(top);
    fromTop.insert(top);
    QSet<QString> result;
    for (const QString& item : fromTop)
        if (const QSet<QString> below = reach(item); below.contains(item))
            result.unite(below);
    return result;
}

/// The mark the rules give, worked out from the two sides' facts.
Mark expectedMark(bool inA, bool inB, std::optional<double> a, std::optional<double> b) {
    if (!inB)
        return Mark::Removed;
    if (!inA)
        return Mark::Added;
    if (a && b)
        return std::fabs(*a - *b) <= 1e-12 * std::max(std::fabs(*a), std::fabs(*b))
                   ? Mark::Unchanged
                   : Mark::Changed;
    return a || b ? Mark::Changed : Mark::Unknown;
}

/// Each indented row by its path of folded IDs, with its line's quantity.
std::map<QString, std::optional<double>> rowsByPath(const Structure& structure, int depthLimit) {
    std::map<QString, std::optional<double>> rows;
    QStringList path;
    for (const IndentedLine& line : indentedBill(structure, depthLimit)) {
        path.resize(line.level - 1);
        path.append(store::foldKey(line.itemId));
        rows[path.join(u'/')] = line.quantity;
    }
    return rows;
}

} // namespace

class BillCompareTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void summarisedIsTheSetDifferenceOfTheSummarisedBills_data() {
        QTest::addColumn<bool>("cycles");
        QTest::newRow("acyclic") << false;
        QTest::newRow("with cycles") << true;
    }
    void summarisedIsTheSetDifferenceOfTheSummarisedBills() {
        QFETCH(bool, cycles);
        QRandomGenerator random(cycles ? 17 : 4);
        for (int round = 0; round < 150; ++round) {
            const int items = 3 + random.bounded(14);
            const Bills billsA = generate(random, items, cycles);
            const Bills billsB = mutate(billsA, random, items);
            const Structure a = structureOf(billsA);
            const Structure b = structureOf(billsB);
            const QSet<QString> cycleA = throughCycle(billsA);
            const QSet<QString> cycleB = throughCycle(billsB);

            // The oracle: every item of either summarised bill, by folded ID.
            struct Side {
                bool inA = false, inB = false;
                std::optional<double> a, b;
            };
            std::map<QString, Side> expected;
            for (const SummaryLine& line : summarisedBill(a)) {
                Side& side = expected[store::foldKey(line.itemId)];
                side.inA = true;
                if (!cycleA.contains(store::foldKey(line.itemId)))
                    side.a = line.totalQuantity;
            }
            for (const SummaryLine& line : summarisedBill(b)) {
                Side& side = expected[store::foldKey(line.itemId)];
                side.inB = true;
                if (!cycleB.contains(store::foldKey(line.itemId)))
                    side.b = line.totalQuantity;
            }

            const std::vector<ComparedLine> compared = compareSummarised(a, b);
            QCOMPARE(compared.size(), expected.size());
            for (const ComparedLine& line : compared) {
                const QString key = store::foldKey(line.itemId);
                QVERIFY2(expected.count(key), qPrintable(key));
                const Side& side = expected[key];
                QCOMPARE(line.inA, side.inA);
                QCOMPARE(line.inB, side.inB);
                QCOMPARE(line.quantityA, side.a);
                QCOMPARE(line.quantityB, side.b);
                QCOMPARE(line.mark, expectedMark(side.inA, side.inB, side.a, side.b));
                // A side with the item but no number for it leaves the difference unknown.
                const bool known = (!side.inA || side.a) && (!side.inB || side.b);
                QCOMPARE(line.difference().has_value(), known);
                if (known)
                    QCOMPARE(*line.difference(), side.b.value_or(0) - side.a.value_or(0));
                QCOMPARE(line.note.contains(u"circular in A"), side.inA && cycleA.contains(key));
            }

            // The indented comparison holds each side's own rows by path, where no cycle
            // stops one side alone; every other round under a shallow depth limit.
            const int depthLimit = round % 2 ? 3 : 2'000;
            const IndentedComparison indented = compareIndented(a, b, depthLimit, 1'000'000);
            QVERIFY(!indented.truncated);
            const auto pathsA = rowsByPath(a, depthLimit);
            const auto pathsB = rowsByPath(b, depthLimit);
            std::map<QString, std::optional<double>> seenA, seenB;
            QStringList path;
            for (const ComparedLine& row : indented.rows) {
                path.resize(row.level - 1);
                path.append(store::foldKey(row.itemId));
                const QString at = path.join(u'/');
                if (row.inA)
                    seenA[at] = row.quantityA;
                if (row.inB)
                    seenB[at] = row.quantityB;
                QCOMPARE(row.mark, expectedMark(row.inA, row.inB, row.quantityA, row.quantityB));
            }
            if (!cycles) {
                QCOMPARE(seenA, pathsA);
                QCOMPARE(seenB, pathsB);
            } else {
                for (const auto& [at, quantity] : seenA)
                    QCOMPARE(pathsA.at(at), quantity);
                for (const auto& [at, quantity] : seenB)
                    QCOMPARE(pathsB.at(at), quantity);
            }
            // "Changed here": exactly the rows that are not Unchanged or have such a row below.
            const auto& rows = indented.rows;
            for (size_t i = 0; i < rows.size(); ++i) {
                bool changed = rows[i].mark != Mark::Unchanged;
                for (size_t j = i + 1; j < rows.size() && rows[j].level > rows[i].level; ++j)
                    changed = changed || rows[j].mark != Mark::Unchanged;
                QCOMPARE(rows[i].changedHere, changed);
            }
            // A row limit keeps the first rows, and says that more were left.
            if (rows.size() > 2) {
                const IndentedComparison first = compareIndented(a, b, 2'000, 2);
                QVERIFY(first.truncated);
                QCOMPARE(first.rows.size(), size_t(2));
                QCOMPARE(first.rows[1].itemId, rows[1].itemId);
            }
        }
    }
};

QTEST_GUILESS_MAIN(BillCompareTest)
#include "bill_compare_test.moc"
