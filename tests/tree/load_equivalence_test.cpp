#include "BenchData.h"
#include "support/ReferenceWalks.h"

#include "store/sqlite/SqliteStore.h"
#include "store/StoreError.h"
#include "tree/BomDocument.h"
#include "tree/BomTreeModel.h"

#include <QTemporaryDir>
#include <QTest>


// The batched load must build exactly the tree that a walk running the component query for
// every node builds: same texts, same parents, same sibling order, same cycle marks.
class LoadEquivalenceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString describe(const std::vector<walks::PathNode>& nodes) {
        QStringList lines;
        for (const walks::PathNode& n : nodes)
            lines.append(QStringLiteral("%1<%2 #%3%4 q=%5 %6 %7")
                             .arg(n.text)
                             .arg(n.parent)
                             .arg(n.row)
                             .arg(n.circular ? QStringLiteral(" circular") : QString())
                             .arg(n.hasQuantity ? QString::number(n.quantity) : QStringLiteral("-"),
                                  n.unit, n.description));
        return lines.join(u'\n');
    }

    /// The editor's tree of `item`: its reachable lines read once, then every node opened,
    /// numbered in pre-order as a walk that makes the nodes path by path numbers them.
    static std::vector<walks::PathNode> viewed(store::SqliteStore& db, const QString& item) {
        tree::BomDocument bill;
        tree::BomTreeModel model{bill};
        bill.load(item, db.reachableLines(item));
        std::vector<walks::PathNode> nodes;
        std::vector<int> above; // the number of each open node on the current path
        walks::forEachNodeOpened(model, [&](const QModelIndex& index, int level) {
            above.resize(size_t(level - 1));
            walks::PathNode node;
            node.text = model.text(index);
            node.parent = above.empty() ? -1 : above.back();
            node.row = index.row();
            node.circular = model.isCircular(index);
            node.hasQuantity = model.quantity(index).has_value();
            node.quantity = model.quantity(index).value_or(0);
            node.unit = model.unit(index);
            node.description = model.description(index);
            above.push_back(int(nodes.size()));
            nodes.push_back(node);
        });
        return nodes;
    }

private Q_SLOTS:
    void sameTreeAsThePerNodeWalk_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("nodes");
        const bench::Sizes small = bench::Sizes::small();
        const QString deep = m_dir.filePath(QStringLiteral("deep.db"));
        const QString wide = m_dir.filePath(QStringLiteral("wide.db"));
        const QString explode = m_dir.filePath(QStringLiteral("explode.db"));
        const QString tangled = m_dir.filePath(QStringLiteral("tangled.db"));
        bench::writeDeep(deep, small);
        bench::writeWide(wide, small);
        bench::writeExplode(explode, small);
        bench::writeTangled(tangled);
        QTest::newRow("deep, shared sub-assemblies") << deep << bench::DeepTop << 120;
        QTest::newRow("deep, from a middle level") << deep << QStringLiteral("D2-000007") << -1;
        QTest::newRow("wide") << wide << bench::WideTop << 160;
        QTest::newRow("explode") << explode << bench::ExplodeTop << 84;
        QTest::newRow("tangled: cases, sharing, a cycle") << tangled << QStringLiteral("t") << -1;
        QTest::newRow("tangled from the top") << tangled << QStringLiteral("T") << -1;
        QTest::newRow("inside the cycle") << tangled << QStringLiteral("k") << -1;
    }

    void sameTreeAsThePerNodeWalk() {
        QFETCH(QString, file);
        QFETCH(QString, item);
        QFETCH(int, nodes);
        store::SqliteStore db(file);
        const auto expected = walks::perNodeWalk(file, item, 1'000'000);
        const auto actual = viewed(db, item);
        QCOMPARE(describe(actual), describe(expected));
        QVERIFY(!actual.empty());
        if (nodes >= 0)
            QCOMPARE(int(actual.size()), nodes);
    }

    void tangledStructureIsShownAsStored() {
        store::SqliteStore db(m_dir.filePath(QStringLiteral("tangled.db")));
        const auto nodes = viewed(db, QStringLiteral("T"));
        QStringList texts;
        for (const auto& n : nodes)
            texts.append(n.text + (n.circular ? QStringLiteral("*") : QString()));
        // M and Z both show S in full; S1 is the assembly stored as s1, with P below it;
        // K -> L -> K stops, and so does t, which is the top item T itself.
        QCOMPARE(texts.join(u' '), QStringLiteral("a M S S1 P Q s2 Z K L K* t* S S1 P Q s2"));
    }
};

QTEST_GUILESS_MAIN(LoadEquivalenceTest)
#include "load_equivalence_test.moc"
