#include "BenchData.h"

#include "store/sqlite/SqliteStore.h"
#include "store/StoreError.h"
#include "tree/StructureBuilder.h"

#include <QTemporaryDir>
#include <QTest>

// The batched load must build exactly the tree that a walk running the component query for
// every node builds: same texts, same parents, same sibling order, same cycle marks.
class LoadEquivalenceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static QString describe(const std::vector<tree::Node>& nodes) {
        QStringList lines;
        for (const tree::Node& n : nodes)
            lines.append(QStringLiteral("%1<%2 #%3%4 q=%5 %6 %7")
                             .arg(n.text)
                             .arg(n.parent)
                             .arg(n.row)
                             .arg(n.circular ? QStringLiteral(" circular") : QString())
                             .arg(n.hasQuantity ? QString::number(n.quantity) : QStringLiteral("-"),
                                  n.unit, n.description));
        return lines.join(u'\n');
    }

    static std::vector<tree::Node> batched(store::SqliteStore& db, const QString& item, int limit) {
        tree::StructureBuilder builder(db, limit);
        try {
            builder.populate(-1, item);
        } catch (const store::StoreError& error) {
            if (error.number() != store::NodeLimit)
                throw;
        }
        return std::move(builder.nodes());
    }

private Q_SLOTS:
    void sameTreeAsThePerNodeWalk_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("limit");
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
        QTest::newRow("deep, shared sub-assemblies") << deep << bench::DeepTop << 1000000 << 120;
        QTest::newRow("deep, from a middle level") << deep << QStringLiteral("D2-000007") << 1000000 << -1;
        QTest::newRow("wide") << wide << bench::WideTop << 1000000 << 160;
        QTest::newRow("explode") << explode << bench::ExplodeTop << 1000000 << 84;
        QTest::newRow("explode, cut by the limit") << explode << bench::ExplodeTop << 50 << 50;
        QTest::newRow("tangled: cases, sharing, a cycle") << tangled << QStringLiteral("t") << 1000000 << -1;
        QTest::newRow("tangled from the top") << tangled << QStringLiteral("T") << 1000000 << -1;
        QTest::newRow("inside the cycle") << tangled << QStringLiteral("k") << 1000000 << -1;
    }

    void sameTreeAsThePerNodeWalk() {
        QFETCH(QString, file);
        QFETCH(QString, item);
        QFETCH(int, limit);
        QFETCH(int, nodes);
        store::SqliteStore db(file);
        const auto expected = bench::perNodeWalk(file, item, limit);
        const auto actual = batched(db, item, limit);
        QCOMPARE(describe(actual), describe(expected));
        QVERIFY(!actual.empty());
        if (nodes >= 0)
            QCOMPARE(int(actual.size()), nodes);
    }

    void tangledStructureIsShownAsStored() {
        store::SqliteStore db(m_dir.filePath(QStringLiteral("tangled.db")));
        const auto nodes = batched(db, QStringLiteral("T"), 1000000);
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
