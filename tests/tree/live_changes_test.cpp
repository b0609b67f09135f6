// What another connection commits shows in an open tree as a fresh load with the same nodes
// opened shows it, with the open nodes kept open.

#include "store/ItemKey.h"
#include "store/Store.h"
#include "support/BackendSuite.h"
#include "support/BillEditor.h"
#include "support/ScriptedDesktop.h"
#include "support/TestDatabase.h"
#include "tree/bill/LiveReader.h"
#include "tree/bill/LoadCounts.h"

#include <QSignalSpy>
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QElapsedTimer>
#include <QTreeView>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

using store::foldKey;

namespace {

using Editor = BillEditor;

/// Shows `changes` in `live` as the window does: the reader reads them apart from the window's
/// thread, and what it read is shown once the read has ended. The read's failure, if any.
std::optional<store::StoreError> showChanges(Editor& live, const store::Changes& changes,
                                             tree::ShownChanges& shown) {
    shown = {};
    tree::LiveReader reader(live.document);
    if (!reader.start(live.session.path, changes, false))
        return std::nullopt;
    QSignalSpy ended(&reader, &tree::LiveReader::finished);
    if (!ended.wait(60'000))
        return store::StoreError(store::QueryFailed, QStringLiteral("the read never ended"));
    const tree::LiveReader::Shown outcome = reader.show(shown);
    // Nothing moves the bill while a test's read runs.
    Q_ASSERT(outcome != tree::LiveReader::Shown::MovedOn);
    return reader.failure();
}

/// Everything a node shows, its expander included.
QString shown(const tree::BomTreeModel& model, const QModelIndex& node) {
    const auto number = [](std::optional<double> value) {
        return value ? QString::number(*value, 'g', 17) : QStringLiteral("-");
    };
    return QStringLiteral("%1 q=%2 x=%3 %4/%5 c%6 s%7 p%8 h%9")
        .arg(model.text(node), number(model.quantity(node)), number(model.extendedQuantity(node)),
             model.unit(node), model.description(node))
        .arg(model.isCircular(node))
        .arg(int(model.stopOf(node)))
        .arg(model.problemsOf(node).toInt())
        .arg(model.hasChildren(node));
}

/// The first node where `live` differs from `fresh`, opening in `fresh` each node that `live`
/// has made; empty when every made node shows the same, row for row.
QString difference(const tree::BomTreeModel& live, tree::BomTreeModel& fresh,
                   const QModelIndex& l = {}, const QModelIndex& f = {}) {
    if (l.isValid() && live.canFetchMore(l))
        return fresh.canFetchMore(f) ? QString() : QStringLiteral("closed only live: ") + shown(live, l);
    if (fresh.canFetchMore(f))
        fresh.fetchMore(f);
    if (live.rowCount(l) != fresh.rowCount(f))
        return QStringLiteral("%1 rows under %2, %3 in a load")
            .arg(live.rowCount(l)).arg(live.pathTo(l).join(u'/')).arg(fresh.rowCount(f));
    for (int row = 0; row < live.rowCount(l); ++row) {
        const QModelIndex lc = live.index(row, 0, l), fc = fresh.index(row, 0, f);
        if (shown(live, lc) != shown(fresh, fc))
            return live.pathTo(lc).join(u'/') + u'\n' + shown(live, lc) + u'\n' + shown(fresh, fc);
        if (QString below = difference(live, fresh, lc, fc); !below.isEmpty())
            return below;
    }
    return {};
}

/// The node at the path of IDs below the loaded item, or none.
QModelIndex nodeAt(tree::BomTreeModel& model, const QStringList& path) {
    QModelIndex node;
    for (qsizetype i = 1; i < path.size(); ++i) {
        if (model.canFetchMore(node))
            model.fetchMore(node);
        QModelIndex next;
        for (int row = 0; row < model.rowCount(node) && !next.isValid(); ++row)
            if (foldKey(model.text(model.index(row, 0, node))) == foldKey(path[i]))
                next = model.index(row, 0, node);
        if (!next.isValid())
            return {};
        node = next;
    }
    return node;
}

QString item(int i) {
    // Some IDs with a quote and a non-ASCII letter, which the statements must carry intact.
    return i % 5 == 3 ? QStringLiteral("Q'\u00fc%1").arg(i) : QStringLiteral("I%1").arg(i, 2, 10, QLatin1Char('0'));
}
QString sql(const QString& text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\''; }

/// What a load shows of each bill and each component the loaded item reaches, by folded ID:
/// the expected lists of ShownChanges come from two of these.
struct Seen {
    QHash<QString, QStringList> bills;
    QHash<QString, QString> facts;
    QString top;
    explicit Seen(store::Store& db, const QString& top) {
        const auto lines = db.reachableLines(top);
        bills.insert(foldKey(top), {});
        for (auto it = lines.cbegin(); it != lines.cend(); ++it)
            for (const store::ComponentLine& line : *it) {
                bills[it.key()].append(line.id + u'=' + QString::number(line.quantity.value_or(-0.5)) +
                                       (line.quantity ? QString() : QStringLiteral("N")));
                bills.insert(foldKey(line.id), bills.value(foldKey(line.id)));
                facts.insert(foldKey(line.id), line.unit.value_or(QString()) + u'/' +
                                                   line.description.value_or(QString()) +
                                                   (line.inItemMaster ? u'+' : u'-'));
            }
        const auto row = db.findItem(top);
        this->top =
            row ? row->description.value_or(tree::noDescription()) : tree::notInItemMaster();
    }
};

/// The keys whose values differ between two of them, where both have one.
template <class Values>
QStringList changedKeys(const QHash<QString, Values>& a, const QHash<QString, Values>& b) {
    QStringList keys;
    for (auto it = a.cbegin(); it != a.cend(); ++it)
        if (b.contains(it.key()) && b.value(it.key()) != *it)
            keys.append(it.key());
    std::sort(keys.begin(), keys.end());
    return keys;
}
QStringList folded(QStringList ids) {
    for (QString& id : ids)
        id = foldKey(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

class LiveChangesTest : public ServerSuite {
    Q_OBJECT

private Q_SLOTS:
    void changesShowAsAFreshLoadShowsThem_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("rounds");
        QTest::newRow("everything re-read") << 0 << int(StoreBackend::Sqlite) << 40;
        QTest::newRow("the changed assemblies and items re-read") << 1 << int(StoreBackend::Sqlite) << 40;
        QTest::newRow("one way or the other, by turns") << 2 << int(StoreBackend::Sqlite) << 40;
        QTest::newRow("by turns, on a server") << 2 << int(StoreBackend::Postgres) << 8;
    }

    void changesShowAsAFreshLoadShowsThem() {
        // Random bills over 11 items, some shared, some circular, some components without an
        // Item Master row; the tree loaded and random nodes opened; another connection then
        // commits random line and Item Master changes, three times in a row.
        QFETCH(int, mode);
        QFETCH(int, kind);
        QFETCH(int, rounds);
        if (kind == StoreBackend::Postgres && !needServer())
            return;
        QRandomGenerator random(1801 + mode + kind);
        constexpr int Items = 11;
        for (int round = 0; round < rounds; ++round) {
            QTemporaryDir dir;
            const StoreBackend backend(StoreBackend::Kind(kind), dir.filePath(QStringLiteral("bom.db")), &m_server);
            const auto commit = [&](const QStringList& statements) {
                kind == StoreBackend::Sqlite ? execOn(backend.address(), statements)
                                             : void(execOnServer(m_server, statements));
            };
            std::vector<ItemRow> items;
            QSet<int> inMaster;
            for (int i = 0; i < Items; ++i)
                if (random.bounded(6) != 0) {
                    items.push_back({item(i), QStringLiteral("D%1").arg(i), QStringLiteral("EA")});
                    inMaster.insert(i);
                }
            QSet<std::pair<int, int>> present;
            std::vector<Line> lines;
            for (int a = 0; a < Items; ++a)
                for (int c = 0; c < Items; ++c)
                    if (a != c && random.bounded(c > a ? 4 : 14) == 0) {
                        lines.push_back({item(a), item(c), double(1 + random.bounded(4))});
                        present.insert({a, c});
                    }
            backend.write(items, lines);
            Editor live(backend.address());
            const int depthLimit = round % 3 == 0 ? 4 : tree::DefaultDepthLimit;
            live.editor.setLimits(tree::DefaultNodeLimit, depthLimit);
            live.loadWhole(item(0));
            std::vector<std::pair<QPersistentModelIndex, QStringList>> opened;
            std::function<void(const QModelIndex&)> open = [&](const QModelIndex& parent) {
                for (int row = 0; row < live.model.rowCount(parent) && opened.size() < 200; ++row) {
                    const QModelIndex node = live.model.index(row, 0, parent);
                    if (live.model.canFetchMore(node) && random.bounded(3) != 0) {
                        live.model.fetchMore(node);
                        opened.emplace_back(node, live.model.pathTo(node));
                        open(node);
                    }
                }
            };
            open({});
            const auto db = backend.open();
            for (int batch = 0; batch < 3; ++batch) {
                const bool everything = mode == 2 ? random.bounded(2) == 0 : mode == 0;
                const Seen before(*db, item(0));
                tree::StoreChanges changes;
                changes.everything = everything;
                QStringList statements;
                for (int change = 1 + random.bounded(6); change > 0; --change) {
                    const int a = random.bounded(Items), c = random.bounded(Items);
                    const QString quantity = random.bounded(5) == 0 ? QStringLiteral("NULL")
                                                                    : QString::number(random.bounded(9) - 1);
                    // A file's key rule lets an ID be spelled in another case; a server's
                    // statements here compare exactly.
                    const QString spelled = kind == StoreBackend::Sqlite && random.bounded(3) == 0 ? item(c).toLower() : item(c);
                    switch (random.bounded(4)) {
                    case 0: // a line comes, which may close a cycle, or goes
                        if (a == c)
                            continue;
                        statements.append(present.contains({a, c})
                                              ? QStringLiteral("DELETE FROM BomDetail WHERE BomID = %1 AND BomComp = %2").arg(sql(item(a)), sql(item(c)))
                                              : QStringLiteral("INSERT INTO BomDetail VALUES (%1, %2, %3, '2001-01-01 00:00:00')").arg(sql(item(a)), sql(spelled), quantity));
                        present.contains({a, c}) ? void(present.remove({a, c})) : void(present.insert({a, c}));
                        changes.assemblies.append(item(a).toLower());
                        break;
                    case 1:
                        statements.append(QStringLiteral("UPDATE BomDetail SET bomQtyReq = %1 WHERE BomID = %2").arg(quantity, sql(item(a))));
                        changes.assemblies.append(item(a));
                        break;
                    case 2:
                        statements.append(QStringLiteral("UPDATE ItemMaster SET ItemDesc = %1, ItemUom = %2 WHERE ItemID = %3")
                                              .arg(random.bounded(3) ? sql(QStringLiteral("New %1").arg(c)) : QStringLiteral("NULL"),
                                                   random.bounded(2) ? QStringLiteral("'KG'") : QStringLiteral("'EA'"), sql(item(c))));
                        changes.items.append(item(c));
                        break;
                    default: // an Item Master row comes or goes
                        statements.append(inMaster.contains(c)
                                              ? QStringLiteral("DELETE FROM ItemMaster WHERE ItemID = %1").arg(sql(item(c)))
                                              : QStringLiteral("INSERT INTO ItemMaster VALUES (%1, 'Came', NULL)").arg(sql(item(c))));
                        inMaster.contains(c) ? void(inMaster.remove(c)) : void(inMaster.insert(c));
                        changes.items.append(item(c));
                    }
                }
                commit(QStringList{QStringLiteral("BEGIN")} + statements + QStringList{QStringLiteral("COMMIT")});
                const Seen after(*db, item(0));

                tree::ShownChanges shownChanges;
                QVERIFY(!showChanges(live, changes, shownChanges));
                tree::BomDocument freshBill;
                tree::BomTreeModel fresh{freshBill};
                fresh.setLimits(tree::DefaultNodeLimit, depthLimit);
                freshBill.load(item(0), db->reachableLines(item(0)));
                const QString context = QStringLiteral("round %1.%2: %3").arg(round).arg(batch).arg(statements.join(QStringLiteral("; ")));
                QVERIFY2(difference(live.model, fresh).isEmpty(), qPrintable(context + u'\n' + difference(live.model, fresh)));
                QCOMPARE(live.counts, tree::loadSummary(freshBill));
                QCOMPARE(folded(shownChanges.assemblies), changedKeys(before.bills, after.bills));
                QCOMPARE(folded(shownChanges.items), changedKeys(before.facts, after.facts));
                if (everything || changes.items.contains(item(0)))
                    QCOMPARE(shownChanges.topDescription,
                             before.top == after.top ? std::nullopt : std::optional(after.top));
                // A node opened stays opened while its path stands; one whose path went is gone.
                for (const auto& [index, path] : opened) {
                    const bool stands = nodeAt(fresh, path).isValid();
                    QVERIFY2(index.isValid() == stands, qPrintable(context + u'\n' + path.join(u'/')));
                    if (stands) {
                        QCOMPARE(folded(live.model.pathTo(index)), folded(path));
                        QVERIFY(!live.model.canFetchMore(index));
                    }
                }
                std::erase_if(opened, [](const auto& node) { return !node.first.isValid(); });
                // The editor's own writes are shown already: a re-read finds nothing new.
                if (live.model.rowCount() > 0) {
                    live.edits().changeQuantity(live.model.index(0, tree::QuantityColumn), QStringLiteral("7.25"));
                    live.edits().deleteComponent(live.model.index(live.model.rowCount() - 1, 0));
                    // Nor does it touch the counts, nor what the status says after them.
                    const QSignalSpy counts(&live.document, &tree::BomDocument::countsChanged);
                    QVERIFY(!showChanges(live, {true, {}, {}}, shownChanges));
                    QVERIFY2(!shownChanges.any(), qPrintable(context + u'\n' + shownChanges.assemblies.join(u' ')));
                    QCOMPARE(counts.count(), 0);
                }
            }
        }
    }

    void aViewKeepsItsOpenNodesAndItsCurrentNode() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bom.db"));
        writeDatabase(path, {}, {{QStringLiteral("T"), QStringLiteral("A")}, {QStringLiteral("T"), QStringLiteral("B")},
                                 {QStringLiteral("T"), QStringLiteral("C")}, {QStringLiteral("B"), QStringLiteral("X")}});
        Editor live(path);
        live.loadWhole(QStringLiteral("T"));
        QTreeView view;
        view.setModel(&live.model);
        const QPersistentModelIndex b = live.model.index(1, 0);
        view.expand(b);
        view.setCurrentIndex(live.model.index(2, 0));
        // A line goes above B and one comes under it: B moves up a row and stays open.
        execOn(path, {QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'T' AND BomComp = 'A'"),
                      QStringLiteral("INSERT INTO BomDetail VALUES ('B', 'W', 2, NULL)")});
        tree::ShownChanges shownChanges;
        QVERIFY(!showChanges(live, {false, {QStringLiteral("t"), QStringLiteral("b")}, {}}, shownChanges));
        QCOMPARE(folded(shownChanges.assemblies), folded({QStringLiteral("B"), QStringLiteral("T")}));
        QCOMPARE(b.row(), 0);
        QVERIFY(view.isExpanded(b));
        QCOMPARE(live.document.componentsOf(QStringLiteral("B")), QStringList({QStringLiteral("W"), QStringLiteral("X")}));
        QCOMPARE(live.model.text(view.currentIndex()), QStringLiteral("C"));
        // The current node's line goes: the row above takes its place, as for any removed row.
        execOn(path, {QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'T' AND BomComp = 'C'")});
        QVERIFY(!showChanges(live, {false, {QStringLiteral("T")}, {}}, shownChanges));
        QCOMPARE(live.model.text(view.currentIndex()), QStringLiteral("B"));
        QVERIFY(view.isExpanded(b));
        // A read that fails says so and changes nothing, without a message box.
        execOn(path, {QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'T'")});
        live.session.path = dir.filePath(QStringLiteral("gone.db"));
        QVERIFY(showChanges(live, {true, {}, {}}, shownChanges));
        QVERIFY(!shownChanges.any());
        QCOMPARE(live.model.rowCount(), 1);
        QVERIFY(live.desktop.asked.isEmpty());
    }

    void aLineChangedInAStructureOfMillionsOfPathsShowsInMilliseconds() {
        // Each of 300 items uses every item below it: 44,850 lines, about 2^298 paths. The copies
        // of one sub-assembly are opened under 200 top-level nodes, so that its change goes as one
        // change of layout.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bom.db"));
        constexpr int Items = 300;
        std::vector<ItemRow> items;
        std::vector<Line> lines;
        for (int a = 0; a < Items; ++a) {
            items.push_back({QStringLiteral("P%1").arg(a, 3, 10, QLatin1Char('0')), QStringLiteral("Part"), QStringLiteral("EA")});
            for (int c = a + 1; c < Items; ++c)
                lines.push_back({items[size_t(a)].id, QStringLiteral("P%1").arg(c, 3, 10, QLatin1Char('0')), 1.0});
        }
        writeDatabase(path, items, lines);
        Editor live(path);
        live.loadWhole(QStringLiteral("P000"));
        for (int row = 0; row < 200; ++row) {
            // Row r is P(r+1), whose components start at P(r+2).
            live.model.fetchMore(live.model.index(row, 0));
            const QModelIndex shared = live.model.index(250 - (row + 2), 0, live.model.index(row, 0));
            QCOMPARE(live.model.text(shared), QStringLiteral("P250"));
            live.model.fetchMore(shared);
        }
        execOn(path, {QStringLiteral("UPDATE BomDetail SET bomQtyReq = 3 WHERE BomID = 'P250' AND BomComp = 'P260'"),
                      QStringLiteral("DELETE FROM BomDetail WHERE BomID = 'P250' AND BomComp = 'P251'")});
        tree::ShownChanges shownChanges;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!showChanges(live, {false, {QStringLiteral("P250")}, {}}, shownChanges));
        qInfo("one bill re-read and shown in 201 copies: %lld ms", timer.elapsed());
        QCOMPARE(shownChanges.assemblies, QStringList{QStringLiteral("P250")});
        timer.restart();
        QVERIFY(!showChanges(live, {true, {}, {}}, shownChanges));
        qInfo("everything re-read (%d lines) and shown: %lld ms", int(lines.size()), timer.elapsed());
        QVERIFY(!shownChanges.any());
        const auto db = store::openStore(path);
        tree::BomDocument freshBill;
        tree::BomTreeModel fresh{freshBill};
        freshBill.load(QStringLiteral("P000"), db->reachableLines(QStringLiteral("P000")));
        QCOMPARE(difference(live.model, fresh), QString());
    }
};

QTEST_MAIN(LiveChangesTest)
#include "live_changes_test.moc"
