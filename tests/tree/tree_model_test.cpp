#include "tree/BomTreeModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

using tree::BomTreeModel;
using tree::Node;

class TreeModelTest : public QObject {
    Q_OBJECT

    static QString outline(const BomTreeModel& model, const QModelIndex& parent = {}) {
        QStringList parts;
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex child = model.index(row, 0, parent);
            if (child.row() != row || model.parent(child) != parent)
                return QStringLiteral("<inconsistent at %1>").arg(model.text(child));
            QString part = model.text(child);
            if (model.rowCount(child) > 0)
                part += u'[' + outline(model, child) + u']';
            parts.append(part);
        }
        return parts.join(u' ');
    }

    static std::vector<Node> preorder() {
        // A[B C] D[E]
        std::vector<Node> nodes(5);
        const char* texts[] = {"A", "B", "C", "D", "E"};
        const int parents[] = {-1, 0, 0, -1, 3};
        for (int i = 0; i < 5; ++i) {
            nodes[size_t(i)].text = QString::fromLatin1(texts[i]);
            nodes[size_t(i)].parent = parents[i];
        }
        nodes[0].children = {1, 2};
        nodes[2].row = 1;
        nodes[3].children = {4};
        return nodes;
    }

private Q_SLOTS:
    void editsKeepTheModelConsistent() {
        BomTreeModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.adopt(QStringLiteral("TOP"), preorder());
        QCOMPARE(outline(model), QStringLiteral("A[B C] D[E]"));
        QCOMPARE(model.nodeCount(), 5);

        model.insertNode(model.index(0, 0), BomTreeModel::Relationship::Next, QStringLiteral("X"));
        QCOMPARE(outline(model), QStringLiteral("A[B C] X D[E]"));
        model.insertNode(model.index(0, 0, model.index(0, 0)), BomTreeModel::Relationship::Next,
                         QStringLiteral("Y"));
        model.insertNode(model.index(1, 0), BomTreeModel::Relationship::Child, QStringLiteral("Z"));
        QCOMPARE(outline(model), QStringLiteral("A[B Y C] X[Z] D[E]"));
        QCOMPARE(model.assemblyOf(model.index(1, 0)), QStringLiteral("TOP"));
        QCOMPARE(model.assemblyOf(model.index(0, 0, model.index(1, 0))), QStringLiteral("X"));

        model.removeNode(model.index(0, 0));
        QCOMPARE(outline(model), QStringLiteral("X[Z] D[E]"));
        QCOMPARE(model.nodeCount(), 4);
        model.removeNode(model.index(0, 0, model.index(1, 0)));
        QCOMPARE(outline(model), QStringLiteral("X[Z] D"));

        model.clear(QStringLiteral("OTHER"));
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.topAssembly(), QStringLiteral("OTHER"));
    }

    void nodesAreNeverEditable() {
        BomTreeModel model;
        model.adopt(QStringLiteral("TOP"), preorder());
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("renamed")));
        QCOMPARE(model.text(model.index(0, 0)), QStringLiteral("A"));
    }
};

QTEST_GUILESS_MAIN(TreeModelTest)
#include "tree_model_test.moc"
