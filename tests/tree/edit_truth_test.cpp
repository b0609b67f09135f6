// After every edit the tree must be what a fresh load of the database shows, node by node, and
// the load's counts those of that load: random drops, moves and deletes on generated databases with shared sub-assemblies, a cycle and IDs
// that differ only in case.

#include "desktop/Desktop.h"
#include "support/BillEditor.h"

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
/// naming their items in lower case, one cycle, and four items that stand in no bill. `dense`:
/// every part uses two or three of the next ones, which gives many more paths than lines.
Generated generate(QRandomGenerator& random, bool dense) {
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
        for (int n = int(random.bounded(3)) + (dense ? 2 : 0); n > 0; --n)
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

class EditTruthTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyEditLeavesTheTreeOfAFreshLoad_data() {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("dense");
        for (quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u})
            QTest::addRow("seed %u", seed) << seed << false;
        for (quint32 seed : {21u, 34u, 55u})
            QTest::addRow("seed %u, many more paths than lines", seed) << seed << true;
    }

    void everyEditLeavesTheTreeOfAFreshLoad() {
        QFETCH(quint32, seed);
        QFETCH(bool, dense);
        QRandomGenerator random(seed);
        const Generated data = generate(random, dense);
        BillFile f(data.items, data.lines);
        f.editor.load(random.bounded(2) ? QStringLiteral("P00") : QStringLiteral("p00"));
        QString failure = f.difference();
        QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1, after the load: %2").arg(seed).arg(failure)));

        for (int step = 0; step < 40; ++step) {
            const std::vector<QModelIndex> nodes = allNodes(f.model);
            if (nodes.empty())
                break;
            const QModelIndex target = nodes[random.bounded(quint32(nodes.size()))];
            QString action;
            // Nodes are opened one by one, now and then all at once: edits meet a tree of
            // opened and closed nodes, and closed ones must open as a load would show them.
            if (const quint32 roll = random.bounded(100); roll < 25) {
                action = QStringLiteral("open %1").arg(f.model.pathTo(target).join(u'/'));
                if (f.model.canFetchMore(target))
                    f.model.fetchMore(target);
            } else if (roll < 28) {
                action = QStringLiteral("expand all");
                f.editor.expandAll([](const std::vector<QModelIndex>&) {});
            } else if (roll < 36) {
                // A cut line pasted elsewhere: out of one bill, into another, in one write.
                const QModelIndex into = nodes[random.bounded(quint32(nodes.size()))];
                const int answer = random.bounded(2) ? desktop::ResultYes : desktop::ResultNo;
                action = QStringLiteral("move %1 to %2 (%3)")
                             .arg(f.model.pathTo(target).join(u'/'),
                                  f.model.pathTo(into).join(u'/'))
                             .arg(answer);
                f.desktop.messageAnswers = {answer};
                f.edits().moveLines({{f.model.assemblyOf(target), f.model.text(target),
                                      f.model.quantity(target)}},
                                    into);
            } else if (random.bounded(100) < 65) {
                const ItemRow& item = data.items[random.bounded(quint32(data.items.size()))];
                const int answer = random.bounded(10) == 0 ? desktop::ResultCancel
                                   : random.bounded(2)     ? desktop::ResultYes
                                                           : desktop::ResultNo;
                action = QStringLiteral("drop %1 on %2 (%3)")
                             .arg(item.id, f.model.pathTo(target).join(u'/'))
                             .arg(answer);
                f.desktop.messageAnswers = {answer};
                f.desktop.inputAnswers = {QString::number(1 + random.bounded(9))};
                f.edits().addComponent(target, item.id);
            } else if (random.bounded(100) < 30) {
                // Undo puts lines back and takes them out again, as Redo does.
                const bool undo = random.bounded(3) != 0;
                action = undo ? QStringLiteral("undo") : QStringLiteral("redo");
                if (undo)
                    f.edits().undo();
                else
                    f.edits().redo();
            } else {
                const bool confirmed = random.bounded(8) != 0;
                action = QStringLiteral("delete %1%2")
                             .arg(f.model.pathTo(target).join(u'/'),
                                  confirmed ? QString() : QStringLiteral(" (cancelled)"));
                f.desktop.messageAnswers = {confirmed ? desktop::ResultOk : desktop::ResultCancel};
                f.edits().deleteComponent(target);
            }
            failure = f.difference();
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

QTEST_MAIN(EditTruthTest)
#include "edit_truth_test.moc"
