#include "BenchData.h"
#include "support/BillEditor.h"
#include "support/ReferenceWalks.h"

#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "store/sqlite/SqliteStore.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LiveReader.h"
#include "tree/bill/LoadCounts.h"
#include "tree/edits/BulkEdits.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

/// Holds the read of a bill's lower levels after one of its levels until opened, as a slow
/// database would; a read stopped meanwhile (a restart) goes on at once.
class RestGate {
public:
    explicit RestGate(int level) {
        tree::BomDocument::setRestLevelHook([this, level](int at, const store::StoreCall& call) {
            if (at != level)
                return;
            std::unique_lock lock(m_mutex);
            m_reached = true;
            while (!m_open && !call.cancelled())
                m_wake.wait_for(lock, std::chrono::milliseconds(5));
        });
    }
    ~RestGate() {
        open();
        tree::BomDocument::setRestLevelHook({});
    }
    bool reached() {
        const std::lock_guard lock(m_mutex);
        return m_reached;
    }
    void open() {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_reached = false;
    bool m_open = false;
};

/// A line of `assembly` to a leaf of the deep bill that it does not have yet.
QString newLeafOf(store::Store& db, const QString& assembly) {
    const store::ComponentLines bill = db.componentsOfEach({assembly})[0];
    for (int i = 0;; ++i) {
        const QString leaf = QStringLiteral("D4-%1").arg(i, 6, 10, QLatin1Char('0'));
        if (std::none_of(bill.cbegin(), bill.cend(),
                         [&](const store::ComponentLine& line) { return line.id == leaf; }))
            return leaf;
    }
}

} // namespace


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
        return nodesOf(model);
    }

    /// Every node of the model, opened as a user opens them, numbered in pre-order.
    static std::vector<walks::PathNode> nodesOf(tree::BomTreeModel& model) {
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

    // The load shows the top level and reads the rest while the window goes on. Whatever
    // happens before the rest is in (nodes opened, edits, other programs' commits), once it is
    // in the tree is the per-node walk's of the database as it then stands.
    void restReadCutAtEveryLevel_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("meanwhile");
        const QString deep = m_dir.filePath(QStringLiteral("deep.db"));
        const QString tangled = m_dir.filePath(QStringLiteral("tangled.db"));
        if (!QFile::exists(deep))
            bench::writeDeep(deep, bench::Sizes::small());
        if (!QFile::exists(tangled))
            bench::writeTangled(tangled);
        for (const char* meanwhile : {"nothing", "nodes opened"}) {
            QTest::addRow("tangled, %s", meanwhile) << tangled << QStringLiteral("T") << meanwhile;
            QTest::addRow("deep, %s", meanwhile) << deep << bench::DeepTop << meanwhile;
        }
        for (const char* meanwhile : {"edits", "an edit as the rest comes in",
                                      "another program's commit",
                                      "another program's commit, everything re-read"})
            QTest::addRow("deep, %s", meanwhile) << deep << bench::DeepTop << meanwhile;
    }

    void restReadCutAtEveryLevel() {
        QFETCH(QString, file);
        QFETCH(QString, item);
        QFETCH(QString, meanwhile);
        int cuts = 0;
        for (int level = 1;; ++level) {
            const QString copy = m_dir.filePath(QStringLiteral("cut.db"));
            QFile::remove(copy);
            QVERIFY(QFile::copy(file, copy));
            RestGate gate(level);
            BillEditor bill(copy);
            QCOMPARE(bill.editor.load(item).isEmpty(), false);
            QTRY_VERIFY(gate.reached() || bill.document.isWhole());
            if (!gate.reached())
                break; // the bill has fewer levels
            ++cuts;
            QVERIFY(!bill.document.isWhole());
            // No count of part of the bill: it says it is still counting.
            QVERIFY(tree::loadSummary(bill.document).endsWith(u'\u2026'));
            const std::unique_ptr<store::Store> other = store::openStore(copy);
            // A bill the load has not read yet: below the top level's components.
            const auto reached = other->reachableLines(item);
            QString deepAssembly;
            for (const store::ComponentLine& first : reached.value(store::foldKey(item)))
                for (const store::ComponentLine& second : reached.value(store::foldKey(first.id)))
                    if (deepAssembly.isEmpty() && reached.contains(store::foldKey(second.id)))
                        deepAssembly = second.id;
            if (meanwhile == u"nodes opened") {
                // Every node opened before the rest is in reads its level at once.
                const QString outline = bill.outline();
                QVERIFY(!outline.isEmpty());
            } else if (meanwhile == u"edits") {
                QVERIFY(!deepAssembly.isEmpty());
                const store::ComponentLine gone = reached.value(store::foldKey(deepAssembly)).first();
                const auto row = other->findLine(deepAssembly, gone.id);
                QVERIFY(row);
                QVERIFY(bill.edits().writeLines(tree::removeBatch({*row}), QStringLiteral("Delete")));
                // One into the top level, shown at once as ever.
                const QString leaf = newLeafOf(*other, item);
                QVERIFY(bill.edits().writeLines({{}, {store::newLine(item, leaf, 2)}},
                                                QStringLiteral("Add")));
                QVERIFY(bill.node(leaf).isValid());
            } else if (meanwhile == u"an edit as the rest comes in") {
                // The rest's read goes on and ends while a write into a bill it reads waits
                // for another connection's lock: it read that bill before the commit.
                QVERIFY(!deepAssembly.isEmpty());
                QSqlDatabase lock = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                              QStringLiteral("lock"));
                lock.setDatabaseName(copy);
                QVERIFY(lock.open());
                QVERIFY(QSqlQuery(lock).exec(QStringLiteral("BEGIN IMMEDIATE")));
                QElapsedTimer opened;
                bill.desktop.cancelWaitWhen = [&] {
                    if (!opened.isValid()) {
                        gate.open();
                        opened.start();
                    }
                    // Held until the rest is taken (never, once it knows it may be stale).
                    if (lock.isOpen() && (bill.document.isWhole() || opened.hasExpired(1000))) {
                        QSqlQuery(lock).exec(QStringLiteral("ROLLBACK"));
                        lock.close();
                    }
                    return false;
                };
                const QString leaf = newLeafOf(*other, deepAssembly);
                QVERIFY(bill.edits().writeLines({{}, {store::newLine(deepAssembly, leaf, 5)}},
                                                QStringLiteral("Add")));
                bill.desktop.cancelWaitWhen = {};
                lock = QSqlDatabase();
                QSqlDatabase::removeDatabase(QStringLiteral("lock"));
            } else if (meanwhile.startsWith(u"another program")) {
                QVERIFY(!deepAssembly.isEmpty());
                other->addLine(deepAssembly, newLeafOf(*other, deepAssembly), 3, {});
                other->addLine(item, newLeafOf(*other, item), 4, {});
                const bool everything = meanwhile.endsWith(u"re-read");
                tree::LiveReader reader(bill.document);
                QVERIFY(reader.start(copy, {everything, {deepAssembly, item}, {}}, false));
                QSignalSpy ended(&reader, &tree::LiveReader::finished);
                QVERIFY(ended.wait(60'000));
                tree::ShownChanges shown;
                QVERIFY(reader.show(shown) == tree::LiveReader::Shown::Done);
                QCOMPARE(shown.assemblies, QStringList{item});
                // A re-read of everything brings the whole bill with it.
                QCOMPARE(bill.document.isWhole(), everything);
            }
            gate.open();
            QTRY_VERIFY(bill.document.isWhole());
            QVERIFY(!tree::loadSummary(bill.document).endsWith(u'\u2026'));
            // The walk that runs the component query for every node, on the database as now.
            QCOMPARE(describe(nodesOf(bill.model)), describe(walks::perNodeWalk(copy, item, 1'000'000)));
            QCOMPARE(bill.difference(), QString());
        }
        QVERIFY(cuts >= 2);
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
