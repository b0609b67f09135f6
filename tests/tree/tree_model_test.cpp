#include "desktop/Language.h"
#include "store/ItemKey.h"
#include "support/ReferenceWalks.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LoadCounts.h"
#include "tree/reports/BillExport.h"
#include "tree/reports/TreeFind.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QTest>


using tree::BomTreeModel;
using Lines = QHash<QString, store::ComponentLines>;

namespace {

store::ComponentLine line(const QString& id, std::optional<double> quantity = 1.0) {
    store::ComponentLine made;
    made.id = id;
    made.quantity = quantity;
    made.unit = QStringLiteral("EA");
    made.description = QStringLiteral("about ") + id;
    return made;
}

/// Bills by assembly ID, keyed as the store keys them.
Lines bills(const QList<std::pair<QString, store::ComponentLines>>& byAssembly) {
    Lines lines;
    for (const auto& [assembly, bill] : byAssembly)
        lines.insert(store::foldKey(assembly), bill);
    return lines;
}

/// The model's tree with every node opened, as the indented bill lists it.
std::vector<tree::IndentedLine> openedTree(BomTreeModel& model) {
    std::vector<tree::IndentedLine> rows;
    walks::forEachNodeOpened(model, [&](const QModelIndex& node, int level) {
        tree::IndentedLine row;
        row.level = level;
        row.itemId = model.text(node);
        row.quantity = model.quantity(node);
        row.unit = model.unit(node);
        row.description = model.description(node);
        row.parent = model.assemblyOf(node);
        row.extendedQuantity = model.extendedQuantity(node);
        row.circular = model.isCircular(node);
        row.stop = model.stopOf(node);
        row.hasChildren = model.hasChildren(node);
        rows.push_back(row);
    });
    return rows;
}

QString describe(const std::vector<tree::IndentedLine>& rows) {
    QStringList out;
    for (const tree::IndentedLine& row : rows)
        out.append(QStringLiteral("%1%2 <%3 q=%4 x=%5%6%7%8")
                       .arg(QString(row.level, u'.'), row.itemId, row.parent,
                            tree::csvQuantity(row.quantity), tree::csvQuantity(row.extendedQuantity),
                            row.circular ? QStringLiteral(" circular") : QString(),
                            row.stop == tree::Stop::DepthLimit ? QStringLiteral(" deep") : QString(),
                            row.hasChildren ? QStringLiteral(" +") : QString()));
    return out.join(u'\n');
}

QString describe(const std::vector<tree::SummaryLine>& lines) {
    QStringList out;
    for (const tree::SummaryLine& l : lines)
        out.append(QStringLiteral("%1 %2 %3 %4").arg(l.itemId, tree::csvQuantity(l.totalQuantity),
                                                     l.hasBill ? QStringLiteral("bill") : QString(),
                                                     l.note));
    return out.join(u'\n');
}

/// A structure of `levels` levels with shared sub-assemblies (each assembly uses a random
/// handful of the next levels), a few Null quantities, IDs spelled in either case and, when
/// `cycle`, one line from a deep item back to one above it; when `tangled`, a few more lines
/// back up, so that cycles are entered by several ways.
Lines generated(QRandomGenerator& random, int levels, bool cycle, bool tangled = false) {
    Lines lines;
    const auto id = [](int level, int i) { return QStringLiteral("L%1-%2").arg(level).arg(i); };
    const int perLevel = 4;
    for (int level = 0; level < levels; ++level)
        for (int i = 0; i < (level == 0 ? 1 : perLevel); ++i) {
            store::ComponentLines bill;
            QStringList used;
            const int count = int(random.bounded(1, 4));
            for (int c = 0; c < count; ++c) {
                const int below = level + 1 + int(random.bounded(std::min(2, levels - level)));
                QString component = id(below, int(random.bounded(perLevel)));
                if (below > levels || used.contains(component, Qt::CaseInsensitive))
                    continue;
                used.append(component);
                if (random.bounded(3) == 0)
                    component = component.toLower(); // the same item, spelled otherwise
                const std::optional<double> quantity =
                    random.bounded(8) == 0 ? std::nullopt
                                           : std::optional<double>(double(random.bounded(1, 5)) / 2);
                bill.append(line(component, quantity));
            }
            if (!bill.isEmpty())
                lines.insert(store::foldKey(id(level, i)), bill);
        }
    if (tangled) {
        // Lines back up from deeper items to shallower ones: cycles entered by several ways.
        for (int n = 0; n < 3; ++n) {
            const int from = 2 + int(random.bounded(levels - 1));
            const QString key = store::foldKey(id(from, int(random.bounded(perLevel))));
            const QString up = id(1 + int(random.bounded(from - 1)), int(random.bounded(perLevel)));
            bool listed = false;
            for (const store::ComponentLine& l : lines.value(key))
                listed = listed || store::foldKey(l.id) == store::foldKey(up);
            if (!listed)
                lines[key].append(line(up, 2.0));
        }
    }
    if (cycle && levels >= 3) {
        // A single way into the cycle: the top's only component leads to it, and the line
        // goes back to that component, so every path meets the cycle the same way.
        lines[store::foldKey(id(0, 0))] = {line(id(1, 0), 2.0)};
        for (int level = 1; level < levels; ++level)
            lines[store::foldKey(id(level, 0))].append(line(id(level + 1, 0), 1.5));
        lines[store::foldKey(id(levels, 0))].append(line(id(1, 0), 3.0));
    }
    return lines;
}

} // namespace

class TreeModelTest : public QObject {
    Q_OBJECT

    /// The checks shared by every structure: the opened model, the walk and the sums agree
    /// with the tree made path by path.
    static void compareWithEveryPath(const Lines& lines, const QString& top, bool exactSums) {
        const int depthLimit = 6;
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill};
        model.setLimits(1'000'000, depthLimit);
        modelBill.load(top, lines);
        // Made after the load: the tester of Qt 6.4 opens nodes while it checks a reset, which
        // it then takes for an insertion during the reset. It opens every node it meets.
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const std::vector<tree::IndentedLine> reference = walks::everyPath(lines, top, depthLimit);
        QCOMPARE(describe(openedTree(model)), describe(reference));
        QCOMPARE(describe(tree::indentedBill(model.structure(), depthLimit)), describe(reference));
        if (!exactSums) {
            compareFindWithEveryPath(lines, top, depthLimit, reference, nullptr);
            return;
        }
        const std::vector<tree::IndentedLine> noLimit = walks::everyPath(lines, top, 1'000'000);
        QCOMPARE(model.structureRows(), qint64(noLimit.size()));
        // The load's counts against the paths: top-level rows, rows, the deepest level, and
        // the lines the rows stand for, each once: every line of each assembly that some row
        // stands under (a bill may list an item twice: two lines).
        tree::LoadCounts counted;
        QSet<QString> assemblies;
        for (const tree::IndentedLine& row : noLimit) {
            counted.components += row.level == 1 ? 1 : 0;
            counted.levels = std::max<qint64>(counted.levels, row.level);
            assemblies.insert(store::foldKey(row.parent));
        }
        counted.rows = qint64(noLimit.size());
        for (const QString& assembly : assemblies)
            counted.lines += lines.value(assembly).size();
        const tree::LoadCounts loaded = tree::loadCounts(model.structure());
        QCOMPARE(loaded.components, counted.components);
        QCOMPARE(loaded.rows, counted.rows);
        QCOMPARE(loaded.levels, counted.levels);
        QCOMPARE(loaded.lines, counted.lines);
        QCOMPARE(describe(tree::summarisedBill(model.structure())),
                 describe(tree::summarisedBill(noLimit)));
        compareFindWithEveryPath(lines, top, depthLimit, reference, &noLimit);
    }

    /// Find in the tree against the paths: the count is the structure's rows that hold the
    /// text, and the steps from hit to hit, either way, visit the tree's hits in its order.
    /// `noLimit`: every path without the depth limit, where the count is exact.
    static void compareFindWithEveryPath(const Lines& lines, const QString& top, int depthLimit,
                                         const std::vector<tree::IndentedLine>& reference,
                                         const std::vector<tree::IndentedLine>* noLimit) {
        const auto holds = [](const tree::IndentedLine& row, const QString& text) {
            return row.itemId.contains(text, Qt::CaseInsensitive) ||
                   row.description.contains(text, Qt::CaseInsensitive);
        };
        // Each row named by its path of IDs from the top.
        QStringList paths;
        QStringList stack;
        for (const tree::IndentedLine& row : reference) {
            stack.resize(row.level - 1);
            stack.append(row.itemId);
            paths.append(stack.join(u'/'));
        }
        for (const QString& text : {QStringLiteral("l2-1"), QStringLiteral("-3"), QStringLiteral("r6"),
                                   QStringLiteral("ABOUT L4"), QStringLiteral("none such")}) {
            tree::BomDocument modelBill;
            BomTreeModel model{modelBill}; // closed: the steps make what they need
            model.setLimits(1'000'000, depthLimit);
            modelBill.load(top, lines);
            tree::TreeFind find;
            find.setText(text);
            const qint64 expected =
                noLimit ? std::count_if(noLimit->begin(), noLimit->end(),
                                        [&](const auto& row) { return holds(row, text); })
                        : -1;
            if (noLimit)
                QCOMPARE(find.hitCount(model.structure()), expected);
            QCOMPARE(find.isExact(model.structure()), noLimit != nullptr);
            QStringList hits;
            for (size_t i = 0; i < reference.size(); ++i)
                if (holds(reference[i], text))
                    hits.append(paths[int(i)]);
            for (const bool forward : {true, false}) {
                QStringList visited;
                QModelIndex at;
                for (qsizetype n = 0; n <= hits.size(); ++n) {
                    at = find.find(model, at, forward, false);
                    if (!at.isValid())
                        break;
                    if (forward && n < hits.size() && qint64(hits.size()) == expected)
                        QCOMPARE(find.position(model, at), std::optional<qint64>(n + 1));
                    visited.append(model.pathTo(at).mid(1).join(u'/'));
                }
                QStringList wanted = hits;
                if (!forward)
                    std::reverse(wanted.begin(), wanted.end());
                if (!wanted.isEmpty())
                    wanted.append(wanted.first()); // round at the end
                QCOMPARE(visited, wanted);
            }
        }
    }

private Q_SLOTS:
    // The counts read in English as the program shows them, "1 row" and "8 rows".
    void initTestCase() { QVERIFY(desktop::installEnglishPlurals(*QCoreApplication::instance())); }

    void theTreeIsEveryPathOfTheStructure() {
        QRandomGenerator random(20261209);
        for (int round = 0; round < 60; ++round) {
            const bool cycle = round % 3 == 0;
            const Lines lines = generated(random, 3 + round % 5, cycle, round % 3 == 1);
            compareWithEveryPath(lines, QStringLiteral("L0-0"), true);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void theLoadSummaryNamesTheCounts() {
        // S is one sub-assembly under A and B: its rows show twice, its lines count once.
        const Lines lines = bills({{QStringLiteral("T"), {line(QStringLiteral("A")), line(QStringLiteral("B"), 2)}},
                                   {QStringLiteral("A"), {line(QStringLiteral("S"))}},
                                   {QStringLiteral("b"), {line(QStringLiteral("s"))}},
                                   {QStringLiteral("S"), {line(QStringLiteral("P")), line(QStringLiteral("Q"))}}});
        tree::BomDocument bill;
        bill.load(QStringLiteral("T"), lines);
        QCOMPARE(tree::loadSummary(QStringLiteral("T"), tree::loadCounts(bill.structure())),
                 QStringLiteral("T: 2 components, 8 rows in 3 levels, 6 lines"));
        bill.load(QStringLiteral("P"), lines);
        QCOMPARE(tree::loadSummary(QStringLiteral("P"), tree::loadCounts(bill.structure())),
                 QStringLiteral("P: no components"));
    }

    void theCountsFollowEachLineAddedOrTakenOut() {
        // Random lines added and taken out, shared bills, lines that close a cycle and later
        // ones that open it again, quantities changed in between: after each, the counts kept
        // by the document are a full count of its structure.
        QRandomGenerator random(20261211);
        const auto shown = [](const tree::LoadCounts& c) {
            return QStringLiteral("%1 components, %2 rows, %3 levels, %4 lines")
                .arg(c.components).arg(c.rows).arg(c.levels).arg(c.lines);
        };
        for (int round = 0; round < 20; ++round) {
            const Lines lines = generated(random, 4 + round % 3, false, false);
            tree::BomDocument bill;
            bill.load(QStringLiteral("L0-0"), lines);
            const tree::Structure& structure = bill.structure();
            for (int edit = 0; edit < 60; ++edit) {
                const int assembly = int(random.bounded(structure.itemCount()));
                if (!structure.isRead(assembly))
                    continue;
                const QString assemblyId = structure.textOf(assembly);
                const std::vector<int>& bill0 = structure.linesOf(assembly);
                const quint32 kind = random.bounded(5);
                if (kind < 2 && !bill0.empty()) {
                    const int taken = bill0[random.bounded(quint32(bill0.size()))];
                    bill.removeLine(assemblyId, structure.line(taken).text);
                } else if (kind == 2 && !bill0.empty()) {
                    const int changed = bill0[random.bounded(quint32(bill0.size()))];
                    bill.setLineQuantity(assemblyId, structure.line(changed).text,
                                         double(random.bounded(1, 9)));
                } else {
                    // An item of the bill or one new to it, with a bill of its own.
                    const QString component =
                        random.bounded(4) == 0
                            ? QStringLiteral("N%1").arg(edit)
                            : QStringLiteral("L%1-%2").arg(random.bounded(1, 6)).arg(random.bounded(4));
                    Lines below = lines;
                    below.insert(store::foldKey(QStringLiteral("N%1").arg(edit)),
                                 {line(QStringLiteral("L%1-0").arg(random.bounded(2, 6)))});
                    bill.addLine(assemblyId, int(random.bounded(quint32(bill0.size() + 1))),
                                 line(component), below);
                }
                const tree::LoadCounts kept = bill.counts();
                const tree::LoadCounts full = tree::loadCounts(structure);
                QVERIFY2(kept == full, qPrintable(QStringLiteral("round %1, edit %2: kept %3, counted %4")
                                                      .arg(round).arg(edit)
                                                      .arg(shown(kept), shown(full))));
            }
        }
    }

    void aCycleTooLargeToSumIsStillFoundStepByStep() {
        // A ring of 70 items, each using the next and the one three on: one cycle of 70 items,
        // past the exact walk, whose paths double at every level.
        Lines lines;
        const auto ring = [](int i) { return QStringLiteral("R%1").arg(i % 70); };
        for (int i = 0; i < 70; ++i)
            lines.insert(store::foldKey(ring(i)), {line(ring(i + 1)), line(ring(i + 3))});
        lines.insert(store::foldKey(QStringLiteral("T")), {line(ring(0))});
        compareWithEveryPath(lines, QStringLiteral("T"), false);
    }

    void aCycleEnteredTwiceIsCountedPathByPath() {
        // T uses A and B; A uses B, B uses A. The tree shows T/A/B/A(circular) and
        // T/B/A/B(circular): six rows, and A and B three each.
        const Lines lines = bills({{QStringLiteral("T"), {line(QStringLiteral("A")), line(QStringLiteral("B"))}},
                                   {QStringLiteral("A"), {line(QStringLiteral("B"))}},
                                   {QStringLiteral("B"), {line(QStringLiteral("A"))}}});
        compareWithEveryPath(lines, QStringLiteral("T"), true);
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill};
        modelBill.load(QStringLiteral("T"), lines);
        QCOMPARE(model.structureRows(), qint64(6));
        QCOMPARE(describe(tree::summarisedBill(model.structure())),
                 QStringLiteral("A 3 bill circular\nB 3 bill circular"));
    }

    void editsChangeTheStructureOnceAndEveryOpenCopyFollows_data() {
        QTest::addColumn<bool>("checked");
        QTest::newRow("some nodes opened") << false;
        QTest::newRow("every node opened, the model tester watching") << true;
    }

    void editsChangeTheStructureOnceAndEveryOpenCopyFollows() {
        QFETCH(bool, checked);
        // TOP uses S twice over (directly and through M); S's bill is shown at both places.
        Lines lines = bills({{QStringLiteral("TOP"), {line(QStringLiteral("M")), line(QStringLiteral("S"), 2.0)}},
                             {QStringLiteral("M"), {line(QStringLiteral("S"), 3.0)}},
                             {QStringLiteral("S"), {line(QStringLiteral("P")), line(QStringLiteral("R"))}}});
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill};
        modelBill.load(QStringLiteral("TOP"), lines);
        QCOMPARE(model.nodeCount(), 2); // the top level only
        std::optional<QAbstractItemModelTester> tester;
        if (checked)
            tester.emplace(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QModelIndex m = model.index(0, 0);
        model.fetchMore(m);
        const QModelIndex sInM = model.index(0, 0, m);
        model.fetchMore(sInM); // opened; the S at the top level stays closed

        modelBill.addLine(QStringLiteral("s"), 1, line(QStringLiteral("Q"), 5.0), {});
        modelBill.removeLine(QStringLiteral("S"), QStringLiteral("p"));
        modelBill.setLineQuantity(QStringLiteral("M"), QStringLiteral("S"), 4.0);
        modelBill.addLine(QStringLiteral("P"), 0, line(QStringLiteral("X")), {}); // P is no longer used
        // The tester of Qt 6.4 opens a node it is told of while the insertion is still being
        // told, and takes that for two insertions at once: it watches no insertion of a node
        // with components of its own.
        tester.reset();
        modelBill.addLine(QStringLiteral("R"), 0, line(QStringLiteral("NEW")),
                      bills({{QStringLiteral("NEW"), {line(QStringLiteral("LEAF"))}}}));
        QCOMPARE(model.extendedQuantity(model.index(0, 0, sInM)), std::optional<double>(20));

        // The same as a fresh load of the lines as they now stand, opened or not.
        lines.insert(bills({{QStringLiteral("S"), {line(QStringLiteral("Q"), 5.0), line(QStringLiteral("R"))}},
                            {QStringLiteral("M"), {line(QStringLiteral("S"), 4.0)}},
                            {QStringLiteral("R"), {line(QStringLiteral("NEW"))}},
                            {QStringLiteral("NEW"), {line(QStringLiteral("LEAF"))}}}));
        tree::BomDocument freshBill;
        BomTreeModel fresh{freshBill};
        freshBill.load(QStringLiteral("TOP"), lines);
        QCOMPARE(describe(openedTree(model)), describe(openedTree(fresh)));
        QCOMPARE(model.structureRows(), fresh.structureRows());

        modelBill.clear(QStringLiteral("OTHER"));
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.topAssembly(), QStringLiteral("OTHER"));
    }

    void expandAllOpensTopLevelsFirstAndMarksWhatItLeaves() {
        // Four levels of four items, each using all four of the next: 4 + 16 + 64 + 256 rows.
        Lines lines;
        const auto id = [](int level, int i) { return QStringLiteral("E%1-%2").arg(level).arg(i); };
        for (int i = 0; i < 4; ++i)
            lines[store::foldKey(QStringLiteral("TOP"))].append(line(id(1, i)));
        for (int level = 1; level < 4; ++level)
            for (int i = 0; i < 4; ++i)
                for (int c = 0; c < 4; ++c)
                    lines[store::foldKey(id(level, i))].append(line(id(level + 1, c)));
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill};
        model.setLimits(90, 2'000);
        modelBill.load(QStringLiteral("TOP"), lines);
        QCOMPARE(model.structureRows(), qint64(340));
        QVERIFY(!model.openAll());
        // Levels 1 to 3 whole, then one node of level 3 opened before the limit.
        QCOMPARE(model.nodeCount(), 4 + 16 + 64 + 4);
        const QModelIndex second = model.index(0, 0, model.index(0, 0));
        QCOMPARE(model.rowCount(model.index(0, 0, second)), 4);
        const QModelIndex third = model.index(1, 0, second);
        QCOMPARE(model.stopOf(third), tree::Stop::NodeLimit);
        QCOMPARE(model.rowCount(third), 0);
        QCOMPARE(model.stopOf(second), tree::Stop::None);
        // Opening a marked node by hand is always possible, past the limit.
        QVERIFY(model.canFetchMore(third));
        model.fetchMore(third);
        QCOMPARE(model.rowCount(third), 4);
        QCOMPARE(model.stopOf(third), tree::Stop::None);
        QCOMPARE(int(model.openedNodes().size()), 4 + 16 + 2);
    }

    void aTreeWithNothingLoadedHasNothingToOpen() {
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill}; // Expand All and the exports before any load
        QVERIFY(model.openAll());
        QCOMPARE(model.structureRows(), qint64(0));
        QVERIFY(tree::summarisedBill(model.structure()).empty());
        QVERIFY(tree::indentedBill(model.structure(), 2'000).empty());
    }

    void nodesAreNeverEditable() {
        tree::BomDocument modelBill;
        BomTreeModel model{modelBill};
        modelBill.load(QStringLiteral("TOP"), bills({{QStringLiteral("TOP"), {line(QStringLiteral("A"))}}}));
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("renamed")));
        QCOMPARE(model.text(model.index(0, 0)), QStringLiteral("A"));
    }
};

QTEST_GUILESS_MAIN(TreeModelTest)
#include "tree_model_test.moc"
