// After every edit the tree must be what a fresh load of the database shows, node by node:
// random drops and deletes on generated databases with shared sub-assemblies, a cycle and IDs
// that differ only in case.

#include "desktop/Desktop.h"
#include "store/sqlite/SqliteStore.h"
#include "store/StoreError.h"
#include "support/TreeCompare.h"
#include "support/WindowFixture.h"
#include "tree/BomTreeModel.h"
#include "shell/BomTreeView.h"
#include "tree/StructureBuilder.h"

#include <QAction>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

namespace {

QString itemId(int i) { return QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')); }

struct Generated {
    std::vector<ItemRow> items;
    std::vector<Line> lines;
};

/// Twenty parts in a random layered structure (so shared sub-assemblies abound), some lines
/// naming their items in lower case, one cycle, and four items that stand in no bill.
Generated generate(QRandomGenerator& random) {
    Generated g;
    constexpr int parts = 20;
    for (int i = 0; i < parts; ++i)
        g.items.push_back({itemId(i), QStringLiteral("part %1").arg(i), QStringLiteral("EA")});
    for (int i = 1; i <= 4; ++i)
        g.items.push_back({QStringLiteral("NEW%1").arg(i), {}, {}});
    QSet<QString> pairs;
    const auto add = [&](int a, int c) {
        const QString key = itemId(a) + u'>' + itemId(c);
        if (pairs.contains(key))
            return;
        pairs.insert(key);
        const auto spelled = [&](int i) {
            return random.bounded(5) == 0 ? itemId(i).toLower() : itemId(i);
        };
        g.lines.push_back({spelled(a), spelled(c), double(1 + random.bounded(4))});
    };
    add(0, 1);
    add(0, 2);
    for (int a = 0; a < parts - 1; ++a)
        for (int n = int(random.bounded(3)); n > 0; --n)
            add(a, a + 1 + int(random.bounded(std::min(4, parts - 1 - a))));
    add(16, 17);
    add(17, 16); // a cycle already in the data
    // Lines the tree marks: components without an ItemMaster row, a zero, a negative and a
    // Null quantity.
    g.lines.push_back({itemId(3), QStringLiteral("GHOST"), 0.0});
    g.lines.push_back({itemId(9), QStringLiteral("ghost 2"), 2.0});
    g.lines.push_back({itemId(0), QStringLiteral("GHOST"), -1.0});
    if (!pairs.contains(itemId(5) + u'>' + itemId(6)))
        g.lines.push_back({itemId(5), itemId(6), QVariant()});
    return g;
}

/// What the tree says of each line, in pre-order: "path=problems".
QStringList marks(const tree::BomTreeModel& model, const QModelIndex& parent = {}) {
    QStringList result;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex node = model.index(row, 0, parent);
        result.append(model.pathTo(node).join(u'/') + u'=' +
                      QString::number(model.problemsOf(node).toInt()));
        result.append(marks(model, node));
    }
    return result;
}

/// The marks of a fresh load: nodes put in by edits must carry the facts a load gives them.
QString marksDifferFromFreshLoad(WindowFixture& f) {
    const std::unique_ptr<store::Store> db = store::openStore(f.database);
    tree::StructureBuilder builder(*db, tree::DefaultNodeLimit);
    builder.populate(-1, f.model().topAssembly());
    tree::BomTreeModel fresh;
    fresh.adopt(f.model().topAssembly(), std::move(builder.nodes()));
    const QStringList shown = marks(f.model());
    const QStringList loaded = marks(fresh);
    for (qsizetype i = 0; i < std::min(shown.size(), loaded.size()); ++i)
        if (shown.at(i) != loaded.at(i))
            return QStringLiteral("shown %1, loaded %2").arg(shown.at(i), loaded.at(i));
    return shown.size() == loaded.size() ? QString() : QStringLiteral("node counts differ");
}

std::vector<QModelIndex> allNodes(const tree::BomTreeModel& model, const QModelIndex& parent = {}) {
    std::vector<QModelIndex> nodes;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        nodes.push_back(child);
        const auto below = allNodes(model, child);
        nodes.insert(nodes.end(), below.begin(), below.end());
    }
    return nodes;
}

} // namespace

class TreeTruthTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyEditLeavesTheTreeOfAFreshLoad_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u})
            QTest::addRow("seed %u", seed) << seed;
    }

    void everyEditLeavesTheTreeOfAFreshLoad() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const Generated data = generate(random);
        WindowFixture f(data.items, data.lines);
        f.load(random.bounded(2) ? QStringLiteral("P00") : QStringLiteral("p00"));
        QString failure = differenceFromFreshLoad(f);
        QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1, after the load: %2").arg(seed).arg(failure)));

        for (int step = 0; step < 40; ++step) {
            const std::vector<QModelIndex> nodes = allNodes(f.model());
            if (nodes.empty())
                break;
            const QModelIndex target = nodes[random.bounded(quint32(nodes.size()))];
            QString action;
            if (random.bounded(100) < 65) {
                const ItemRow& item = data.items[random.bounded(quint32(data.items.size()))];
                const int answer = random.bounded(10) == 0 ? desktop::ResultCancel
                                   : random.bounded(2)     ? desktop::ResultYes
                                                           : desktop::ResultNo;
                action = QStringLiteral("drop %1 on %2 (%3)")
                             .arg(item.id, f.model().pathTo(target).join(u'/'))
                             .arg(answer);
                f.desktop.messageAnswers = {answer};
                f.desktop.inputAnswers = {QString::number(1 + random.bounded(9))};
                f.drop(item.id, target);
                QVERIFY2(!f.tree().dropHighlight().isValid(), qPrintable(action));
            } else if (random.bounded(100) < 30) {
                // Undo puts lines back and takes them out again, as Redo does.
                const bool undo = random.bounded(3) != 0;
                action = undo ? QStringLiteral("undo") : QStringLiteral("redo");
                f.window().findChild<QAction*>(undo ? "mnuUndo" : "mnuRedo")->trigger();
            } else {
                const bool confirmed = random.bounded(8) != 0;
                action = QStringLiteral("delete %1%2")
                             .arg(f.model().pathTo(target).join(u'/'),
                                  confirmed ? QString() : QStringLiteral(" (cancelled)"));
                f.desktop.messageAnswers = {confirmed ? desktop::ResultOk : desktop::ResultCancel};
                f.pressDelete(target);
            }
            failure = differenceFromFreshLoad(f);
            if (failure.isEmpty())
                failure = marksDifferFromFreshLoad(f);
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1, step %2, %3: %4")
                                                       .arg(seed)
                                                       .arg(step)
                                                       .arg(action, failure)));
            // A refused drop (a cycle, a line the assembly has, a bill for a component that
            // is not in the Item Master) is no failure of the tree.
            for (const QString& message : f.desktop.messageTexts())
                QVERIFY2(!message.startsWith(u"10") || message.startsWith(u"1031 ") ||
                             message.startsWith(u"1022 ") || message.startsWith(u"1025 "),
                         qPrintable(message));
            f.desktop.asked.clear();
        }
    }
};

QTEST_MAIN(TreeTruthTest)
#include "tree_truth_test.moc"
