// The planning answers (requirements of a build plan) against brute force over every path of
// random small structures: shared sub-assemblies, Null quantities, cycles and depth limits.

#include "store/ItemKey.h"
#include "store/WhereUsedWalk.h"
#include "tree/bill/Structure.h"
#include "tree/plan/LowLevelCodes.h"
#include "tree/plan/Requirements.h"
#include "tree/reports/BillExport.h"
#include "tree/reports/WhereUsedReport.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <limits>
#include <functional>
#include <map>
#include <set>

using store::foldKey;
using namespace Qt::StringLiterals;

namespace {

/// A random structure over items I0…I9: mostly lines downwards (shared sub-assemblies), now
/// and then a Null quantity, and in some structures a line back up (a cycle). IDs are spelt in
/// either case on lines, as the store matches them.
struct RandomBills {
    QHash<QString, store::ComponentLines> lines;
    QStringList items;
};

RandomBills randomBills(QRandomGenerator& random, bool withCycle) {
    RandomBills bills;
    const int count = 4 + int(random.bounded(6));
    for (int i = 0; i < count; ++i)
        bills.items.append(QStringLiteral("I%1").arg(i));
    for (int a = 0; a < count - 1; ++a) {
        store::ComponentLines bill;
        for (int c = a + 1; c < count; ++c) {
            if (random.bounded(100) >= 45)
                continue;
            store::ComponentLine line;
            line.id = random.bounded(2) ? bills.items[c] : bills.items[c].toLower();
            if (random.bounded(100) >= 8)
                line.quantity = double(1 + random.bounded(4)) / (random.bounded(2) ? 1 : 4);
            line.unit = QStringLiteral("EA");
            line.description = QStringLiteral("part %1").arg(c);
            bill.append(line);
        }
        if (!bill.isEmpty())
            bills.lines.insert(foldKey(bills.items[a]), bill);
    }
    if (withCycle) {
        // A line from a lower item back up to a higher one.
        const int low = 1 + int(random.bounded(count - 1));
        const int high = int(random.bounded(low));
        store::ComponentLine line;
        line.id = bills.items[high];
        line.quantity = 2;
        bills.lines[foldKey(bills.items[low])].append(line);
    }
    return bills;
}

struct Expected {
    double total = 0;
    bool lost = false;
    bool circular = false;
    int level = 0;
    std::set<QString> neededBy;
};

/// Every path from `item`, as the tree shows it: a component already on its own path is
/// counted and not opened, and nothing is opened at the depth limit.
void walkPaths(const QHash<QString, store::ComponentLines>& lines, const QString& item,
               double weight, bool lost, int depth, int depthLimit, std::vector<QString>& path,
               const QString& listed, std::map<QString, Expected>& out) {
    for (const store::ComponentLine& line : lines.value(foldKey(item))) {
        const QString key = foldKey(line.id);
        Expected& e = out[key];
        const bool lostHere = lost || !line.quantity;
        const double w = lostHere ? 0 : weight * *line.quantity;
        e.total += w;
        e.lost = e.lost || lostHere;
        e.level = std::max(e.level, depth + 1);
        e.neededBy.insert(listed);
        const bool onPath = std::find(path.begin(), path.end(), key) != path.end();
        e.circular = e.circular || onPath;
        if (onPath || (depthLimit > 0 && depth + 1 >= depthLimit))
            continue;
        path.push_back(key);
        walkPaths(lines, line.id, w, lostHere, depth + 1, depthLimit, path, listed, out);
        path.pop_back();
    }
}

/// Every path of the tree's from `top` down to `item`, in the tree's order (components by ID),
/// through the components that lead to the item: "T>2>A>?>ITEM" (a line without a quantity as
/// "?"), ending in "*" where an assembly comes again on its own path. Stops after `limit`
/// paths; `complete` counts those that reach the item.
void pathsDown(const QHash<QString, store::ComponentLines>& lines, const QString& item,
               const std::set<QString>& leadToItem, QStringList& path, QString text,
               qsizetype limit, QStringList& out, quint64& complete) {
    store::ComponentLines components = lines.value(path.last());
    std::stable_sort(components.begin(), components.end(),
                     [](const auto& a, const auto& b) { return foldKey(a.id) < foldKey(b.id); });
    for (const store::ComponentLine& line : components) {
        if (out.size() >= limit)
            return;
        const QString key = foldKey(line.id);
        const QString step = text + u'>' +
                             (line.quantity ? QString::number(*line.quantity) : QStringLiteral("?")) +
                             u'>' + key;
        if (key == foldKey(item)) {
            out.append(step);
            ++complete;
        } else if (leadToItem.count(key)) {
            if (path.contains(key)) {
                out.append(step + u'*');
            } else {
                path.append(key);
                pathsDown(lines, item, leadToItem, path, step, limit, out, complete);
                path.removeLast();
            }
        }
    }
}

/// How many paths lead from `assembly` down to `item` through the items that lead to it,
/// counted over the lines with each item's count kept (not by listing them), PathCountOver
/// past the largest qint64; on acyclic structures.
quint64 pathCount(const QHash<QString, store::ComponentLines>& lines, const QString& assembly,
                  const QString& item, const std::set<QString>& leadToItem,
                  std::map<QString, quint64>& counted) {
    if (const auto known = counted.find(assembly); known != counted.end())
        return known->second;
    quint64 count = 0;
    for (const store::ComponentLine& line : lines.value(assembly)) {
        const QString key = foldKey(line.id);
        const quint64 below = key == foldKey(item) ? 1
                              : leadToItem.count(key) ? pathCount(lines, key, item, leadToItem, counted)
                                                      : 0;
        count = std::min(count + below, store::PathCountOver);
    }
    counted[assembly] = count;
    return count;
}

/// The walk's paths of a top in the form of pathsDown.
QStringList walkedPaths(const std::vector<store::WhereUsedRow>& rows, const store::WhereUsedRow& top,
                        const QString& item) {
    QStringList out;
    for (const store::WhereUsedPath& path : top.paths) {
        QString text = foldKey(top.assembly);
        for (const store::WhereUsedStep& step : path.steps)
            text += u'>' + (step.quantity ? QString::number(*step.quantity) : QStringLiteral("?")) +
                    u'>' + foldKey(step.row < 0 ? item : rows[size_t(step.row)].assembly);
        out.append(path.circular ? text + u'*' : text);
    }
    return out;
}

/// The upward walk of these lines from `item`, its rows named.
std::vector<store::WhereUsedRow> walkUp(const QHash<QString, store::ComponentLines>& lines,
                                        const QString& item) {
    store::UpwardWalk walk;
    for (auto bill = lines.cbegin(); bill != lines.cend(); ++bill)
        for (const store::ComponentLine& line : *bill)
            walk.addLine(bill.key().toUtf8(), line.id.toUtf8(),
                         line.quantity ? store::UpwardLines::Quantity::Number
                                       : store::UpwardLines::Quantity::Null,
                         line.quantity.value_or(0));
    std::vector<store::WhereUsedRow> rows = walk.walk(item);
    for (size_t at = 0; at < rows.size(); ++at)
        rows[at].assembly = QString::fromUtf8(walk.spelling(at));
    return rows;
}

/// Each of `count` items D0… uses every item after it, once: 2^(n-2) paths from the first
/// to the last, from n(n-1)/2 lines.
QHash<QString, store::ComponentLines> everyItemUsesAllBelow(int count) {
    QHash<QString, store::ComponentLines> lines;
    for (int a = 0; a < count - 1; ++a)
        for (int c = a + 1; c < count; ++c) {
            store::ComponentLine line;
            line.id = QStringLiteral("D%1").arg(c, 2, 10, QLatin1Char('0'));
            line.quantity = 1 + (a + c) % 3;
            lines[foldKey(QStringLiteral("D%1").arg(a, 2, 10, QLatin1Char('0')))].append(line);
        }
    return lines;
}

} // namespace

class PlanningOracleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requirementsMatchEveryPath();
    void levelsMatchEveryPath();
    void summarisedExportsPutParentsFirst();
    void pathsUpToTheFinishedItemsMatchEveryPath();
    void requirementsNeverGiveWhatANumberCannotHold();
    void requirementsRunInTheStoresOrder();
};

// Totals past what a double holds, however they arise, are said, never given as numbers:
// products that overflow, and infinite quantities (which a REAL column can hold) of both signs
// meeting in one item.
void PlanningOracleTest::requirementsNeverGiveWhatANumberCannotHold() {
    const double inf = std::numeric_limits<double>::infinity();
    const auto line = [](const char* id, std::optional<double> quantity) {
        store::ComponentLine l;
        l.id = QString::fromLatin1(id);
        l.quantity = quantity;
        return l;
    };
    QHash<QString, store::ComponentLines> lines;
    lines.insert(u"TOP"_s, {line("BIG", 1e200), line("UP", 1), line("DOWN", 1), line("SMALL", 2)});
    lines.insert(u"BIG"_s, {line("HUGE", 1e200)});
    lines.insert(u"UP"_s, {line("BOTH", inf)});
    lines.insert(u"DOWN"_s, {line("BOTH", -inf)});
    const std::vector<tree::RequirementLine> got = tree::requirements(lines, {{u"TOP"_s, 3}});
    QStringList tooLarge;
    for (const tree::RequirementLine& l : got) {
        QVERIFY(!l.total || std::isfinite(*l.total));
        if (l.tooLarge) {
            tooLarge.append(l.item);
            QVERIFY(!l.total);
            QCOMPARE(tree::requirementCells(l).value(7), tree::tooLargeNote());
        }
    }
    tooLarge.sort();
    QCOMPARE(tooLarge, (QStringList{u"BOTH"_s, u"HUGE"_s}));
    const QByteArray csv = tree::requirementsCsv(got).toLower();
    QVERIFY(!csv.contains("inf,") && !csv.contains("nan"));
    QVERIFY(csv.contains("\r\nsmall,6,"));
}

// Within a level the items run as the database orders its keys: its case rule over the IDs'
// bytes (NOCASE folds to lower case, so "A_" comes before "AA"; bytes past ASCII after
// every ASCII one), as the SQLite order in the store's test of the key comparison holds it.
void PlanningOracleTest::requirementsRunInTheStoresOrder() {
    QHash<QString, store::ComponentLines> lines;
    for (const QString& id : {u"\u00c9"_s, u"ab"_s, u"A_"_s, u"aA"_s, u"a`"_s, u"A["_s, u"Z"_s,
                              u"\U0001F600"_s, u"\uFF21"_s}) {
        store::ComponentLine line;
        line.id = id;
        line.quantity = 1;
        lines[u"TOP"_s].append(line);
    }
    QStringList order;
    for (const tree::RequirementLine& line : tree::requirements(lines, {{u"TOP"_s, 1}}))
        order.append(line.item);
    QCOMPARE(order, (QStringList{u"A["_s, u"A_"_s, u"a`"_s, u"aA"_s, u"ab"_s, u"Z"_s,
                                 u"\u00c9"_s, u"\uFF21"_s, u"\U0001F600"_s}));
}

// The paths of each finished item down to the item: the count is every path there is, the
// listed ones are the first of them in the tree's order within the budgets, and the listed
// paths add up to the finished item's total; on random structures with shared
// sub-assemblies, Null quantities and cycles, then on structures with more paths than the
// budgets (many finished items) and than a qint64 holds.
void PlanningOracleTest::pathsUpToTheFinishedItemsMatchEveryPath() {
    // Counts in `tops` the finished items it checked.
    const auto check = [](const QHash<QString, store::ComponentLines>& lines, const QString& item,
                          const QByteArray& label, int& tops) {
        const std::vector<store::WhereUsedRow> rows = walkUp(lines, item);
        // The items that lead down to the item, the slow way.
        std::set<QString> leadToItem;
        for (bool grew = true; grew;) {
            grew = false;
            for (auto bill = lines.cbegin(); bill != lines.cend(); ++bill)
                for (const store::ComponentLine& line : *bill)
                    if ((foldKey(line.id) == foldKey(item) || leadToItem.count(foldKey(line.id))) &&
                        leadToItem.insert(bill.key()).second)
                        grew = true;
        }
        qsizetype budget = store::PathsListedInAll;
        for (const store::WhereUsedRow& row : rows) {
            if (!row.top) {
                QVERIFY2(row.paths.empty() && !row.pathCount, label);
                continue;
            }
            ++tops;
            const qsizetype wanted = std::min<qsizetype>(budget, store::PathsPerFinishedItem);
            QStringList path{foldKey(row.assembly)};
            QStringList listed;
            quint64 complete = 0;
            pathsDown(lines, item, leadToItem, path, foldKey(row.assembly), wanted, listed,
                      complete);
            const QByteArray where = label + " " + row.assembly.toUtf8();
            QCOMPARE(walkedPaths(rows, row, item), listed);
            budget -= listed.size();
            QVERIFY2(row.circular || !listed.join(u' ').contains(u'*'), where);
            QVERIFY2(row.circular != row.pathCount.has_value(), where);
            QVERIFY2(!row.circular || !tree::morePathsText(row).isEmpty(), where);
            if (row.circular)
                continue;
            // The count first, against one made over the lines: listing every path of a wrong
            // count (2^64 of them) would never end.
            std::map<QString, quint64> counted;
            QCOMPARE(*row.pathCount, pathCount(lines, foldKey(row.assembly), item, leadToItem, counted));
            if (*row.pathCount > quint64(store::PathsListedInAll))
                continue;
            // Every path, to count them and add them up.
            QStringList all;
            complete = 0;
            pathsDown(lines, item, leadToItem, path, foldKey(row.assembly),
                      std::numeric_limits<qsizetype>::max(), all, complete);
            QCOMPARE(*row.pathCount, complete);
            QCOMPARE(tree::morePathsText(row).isEmpty(), quint64(listed.size()) == complete);
            if (quint64(row.paths.size()) == complete && row.quantity) {
                double sum = 0;
                for (const store::WhereUsedPath& p : row.paths)
                    sum += tree::pathQuantity(p).value_or(0);
                QVERIFY2(std::abs(sum - *row.quantity) <= 1e-9 * std::max(1.0, sum), where);
            }
        }
    };

    QRandomGenerator random(9091);
    int tops = 0;
    for (int round = 0; round < 300; ++round) {
        const RandomBills bills = randomBills(random, round % 3 == 0);
        const QByteArray label = QByteArray("round ") + QByteArray::number(round);
        for (const QString& item : bills.items) {
            check(bills.lines, item.toLower(), label + " " + item.toUtf8(), tops);
            if (QTest::currentTestFailed())
                return;
        }
    }
    QVERIFY(tops > 300); // the structures have finished items to go up to

    // 40 finished items over a dense structure of 12 items (1,024 paths each): the budget in
    // all runs out before the last of them, which list none and count all.
    QHash<QString, store::ComponentLines> dense = everyItemUsesAllBelow(12);
    for (int t = 0; t < 40; ++t) {
        store::ComponentLine line;
        line.id = QStringLiteral("D00");
        line.quantity = 1;
        dense[foldKey(QStringLiteral("T%1").arg(t, 2, 10, QLatin1Char('0')))].append(line);
    }
    tops = 0;
    check(dense, QStringLiteral("D11"), "dense, many finished items", tops);
    QCOMPARE(tops, 40);
    QCOMPARE(tree::morePathsText(walkUp(dense, QStringLiteral("D11")).back()),
             QStringLiteral("\u2026 and 1,024 more paths"));

    // 2^62 paths still count exactly; 2^64 are more than a qint64 holds.
    for (const auto& [count, expected] :
         {std::pair(64, quint64(1) << 62), std::pair(66, store::PathCountOver)}) {
        const auto lines = everyItemUsesAllBelow(count);
        const QString last = QStringLiteral("D%1").arg(count - 1);
        tops = 0;
        check(lines, last, "every item uses all below", tops);
        QCOMPARE(tops, 1);
        const std::vector<store::WhereUsedRow> rows = walkUp(lines, last);
        const auto top = std::find_if(rows.cbegin(), rows.cend(), [](const auto& r) { return r.top; });
        QCOMPARE(*top->pathCount, expected);
        if (expected == store::PathCountOver)
            QCOMPARE(tree::morePathsText(*top),
                     QStringLiteral("\u2026 and more: more than 9,223,372,036,854,775,807 paths "
                                    "in all"));
    }
}

// The summarised bill as exported holds the items of the summarised bill, each once, and on an
// acyclic structure every assembly before each of its components, however many paths lead
// to them.
void PlanningOracleTest::summarisedExportsPutParentsFirst() {
    QRandomGenerator random(77);
    for (int round = 0; round < 300; ++round) {
        const bool withCycle = round % 4 == 0;
        const RandomBills bills = randomBills(random, withCycle);
        tree::Structure structure;
        structure.reset(bills.items.first(), bills.lines);
        const std::vector<tree::SummaryLine> plain = tree::summarisedBill(structure);
        const std::vector<tree::SummaryLine> ordered = tree::summarisedBillByLevel(structure);
        std::map<QString, size_t> placeOf;
        QStringList plainIds, orderedIds;
        for (const tree::SummaryLine& line : plain)
            plainIds.append(foldKey(line.itemId));
        for (size_t at = 0; at < ordered.size(); ++at) {
            orderedIds.append(foldKey(ordered[at].itemId));
            placeOf[foldKey(ordered[at].itemId)] = at;
        }
        const QByteArray label = QByteArray("round ") + QByteArray::number(round);
        QCOMPARE(orderedIds.size(), plainIds.size());
        plainIds.sort();
        QStringList sortedIds = orderedIds;
        sortedIds.sort();
        QVERIFY2(sortedIds == plainIds, label);
        if (withCycle)
            continue;
        for (auto bill = bills.lines.cbegin(); bill != bills.lines.cend(); ++bill)
            for (const store::ComponentLine& line : *bill) {
                const auto assembly = placeOf.find(bill.key());
                const auto component = placeOf.find(foldKey(line.id));
                if (assembly != placeOf.end() && component != placeOf.end())
                    QVERIFY2(assembly->second < component->second, label);
            }
    }
}

void PlanningOracleTest::levelsMatchEveryPath() {
    QRandomGenerator random(4242);
    for (int round = 0; round < 300; ++round) {
        const RandomBills bills = randomBills(random, round % 2 == 0);
        std::vector<std::pair<QString, QString>> lines;
        QHash<QString, QStringList> usersOf; // folded component -> folded assemblies
        for (auto it = bills.lines.cbegin(); it != bills.lines.cend(); ++it)
            for (const store::ComponentLine& line : *it) {
                lines.emplace_back(it.key(), line.id);
                usersOf[foldKey(line.id)].append(it.key());
            }
        // Brute force: an item reaches another along lines; it is circular when an item that
        // reaches itself reaches it (or is it); otherwise its level is the longest chain of
        // users above it.
        const std::function<bool(const QString&, const QString&, std::set<QString>&)> reaches =
            [&](const QString& from, const QString& to, std::set<QString>& seen) {
                for (const store::ComponentLine& line : bills.lines.value(from)) {
                    const QString key = foldKey(line.id);
                    if (key == to)
                        return true;
                    if (seen.insert(key).second && reaches(key, to, seen))
                        return true;
                }
                return false;
            };
        const std::function<int(const QString&)> longestUp = [&](const QString& item) {
            int deepest = 0;
            for (const QString& user : usersOf.value(item))
                deepest = std::max(deepest, longestUp(user) + 1);
            return deepest;
        };
        const tree::LowLevelCodes codes = tree::lowLevelCodes(lines);
        const QByteArray label = QByteArray("round ") + QByteArray::number(round);
        std::set<QString> named;
        for (const auto& [a, c] : lines) {
            named.insert(foldKey(a));
            named.insert(foldKey(c));
        }
        QStringList circular;
        for (const QString& item : named) {
            bool onOrBelowCycle = false;
            for (const QString& other : named) {
                std::set<QString> seen1, seen2, seen3;
                if (reaches(other, other, seen1) && (other == item || reaches(other, item, seen2)))
                    onOrBelowCycle = true;
            }
            if (onOrBelowCycle) {
                circular.append(item);
                QVERIFY2(!codes.code.contains(item), label);
            } else {
                QVERIFY2(codes.code.contains(item), label);
                QCOMPARE(codes.code.value(item), longestUp(item));
            }
        }
        QStringList reported;
        for (const QString& id : codes.circular)
            reported.append(foldKey(id));
        reported.sort();
        circular.sort();
        QCOMPARE(reported, circular);
    }
}

void PlanningOracleTest::requirementsMatchEveryPath() {
    QRandomGenerator random(3117);
    for (int round = 0; round < 400; ++round) {
        const bool withCycle = round % 3 == 0;
        const RandomBills bills = randomBills(random, withCycle);
        std::vector<tree::PlannedBuild> builds;
        const int listedCount = 1 + int(random.bounded(3));
        for (int i = 0; i < listedCount; ++i)
            builds.push_back({bills.items[int(random.bounded(qsizetype(bills.items.size())))],
                              double(1 + random.bounded(40))});
        tree::RequirementOptions options;
        options.depthLimit = round % 4 == 1 ? 1 + int(random.bounded(3)) : 0;
        options.includeListed = round % 5 == 2;
        options.boughtOnly = round % 7 == 3;

        // Brute force: each listed item once, for the sum of its quantities.
        std::map<QString, Expected> expected;
        std::map<QString, double> built;
        std::vector<QString> order;
        for (const tree::PlannedBuild& build : builds) {
            if (!built.count(foldKey(build.item)))
                order.push_back(build.item);
            built[foldKey(build.item)] += build.quantity;
        }
        for (const QString& item : order) {
            std::map<QString, Expected> one;
            std::vector<QString> path{foldKey(item)};
            walkPaths(bills.lines, item, 1, false, 0, options.depthLimit, path, item, one);
            for (auto& [key, e] : one) {
                Expected& all = expected[key];
                all.total += e.total * built[foldKey(item)];
                all.lost = all.lost || e.lost;
                all.circular = all.circular || e.circular;
                all.level = std::max(all.level, e.level);
                all.neededBy.insert(e.neededBy.begin(), e.neededBy.end());
            }
        }
        if (options.includeListed)
            for (const auto& [key, quantity] : built)
                expected[key].total += quantity;
        if (options.boughtOnly)
            for (auto it = expected.begin(); it != expected.end();)
                it = bills.lines.value(it->first).isEmpty() ? std::next(it) : expected.erase(it);

        const std::vector<tree::RequirementLine> got =
            tree::requirements(bills.lines, builds, options);
        const QByteArray label = QByteArray("round ") + QByteArray::number(round);
        QVERIFY2(got.size() == expected.size(), label);
        int lastLevel = 0;
        for (const tree::RequirementLine& line : got) {
            const auto found = expected.find(foldKey(line.item));
            QVERIFY2(found != expected.end(), label + " " + line.item.toUtf8());
            const Expected& e = found->second;
            QVERIFY2(line.total.has_value() == !e.lost, label + " " + line.item.toUtf8());
            if (line.total)
                QVERIFY2(std::abs(*line.total - e.total) <= 1e-9 * std::max(1.0, e.total),
                         label + " " + line.item.toUtf8());
            QCOMPARE(line.circular, e.circular);
            QCOMPARE(line.level, e.level);
            QCOMPARE(line.made, !bills.lines.value(foldKey(line.item)).isEmpty());
            QStringList neededBy;
            for (const QString& item : order)
                if (e.neededBy.count(item))
                    neededBy.append(item);
            QCOMPARE(line.neededBy, neededBy);
            // Parents come before their components.
            QVERIFY(line.level >= lastLevel);
            lastLevel = line.level;
        }
    }
}

QTEST_GUILESS_MAIN(PlanningOracleTest)
#include "planning_oracle_test.moc"
