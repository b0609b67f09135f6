// Saved lines brought into the bill, many at once or one by one, show as a load of the
// database shows them.

#include "store/Store.h"
#include "support/TestDatabase.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

/// Every node opened, as "ID(quantity)[children]".
QString outline(tree::BomTreeModel& model, const QModelIndex& parent = {}) {
    if (model.canFetchMore(parent))
        model.fetchMore(parent);
    QStringList parts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        QString part = model.text(child) + u'(' + QString::number(model.quantity(child).value_or(-1)) + u')';
        if (const QString below = outline(model, child); !below.isEmpty())
            part += u'[' + below + u']';
        parts.append(part);
    }
    return parts.join(u' ');
}

QString item(int i) { return QStringLiteral("I%1").arg(i, 2, 10, QLatin1Char('0')); }

} // namespace

class LineShowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyLinesShowAsALoadShowsThem() {
        // Random bills over 14 items, each line from a lower number to a higher (no cycle):
        // the tree of I00, then random new lines written and shown at once; the tree must be
        // what a load of the database shows, and what showing them one by one gives.
        QRandomGenerator random(1717);
        for (int round = 0; round < 30; ++round) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("bom.db"));
            std::vector<ItemRow> items;
            for (int i = 0; i < 14; ++i)
                items.push_back({item(i), {}, {}});
            std::vector<std::pair<int, int>> free;
            std::vector<Line> lines;
            for (int a = 0; a < 14; ++a)
                for (int c = a + 1; c < 14; ++c)
                    if (random.bounded(4) == 0)
                        lines.push_back({item(a), item(c), double(c)});
                    else
                        free.emplace_back(a, c);
            writeDatabase(path, items, lines);
            const auto db = store::openStore(path);
            tree::BomDocument batchedBill;
            tree::BomTreeModel batched{batchedBill};
            tree::BomDocument oneByOneBill;
            tree::BomTreeModel oneByOne{oneByOneBill};
            for (tree::BomDocument* bill : {&batchedBill, &oneByOneBill})
                bill->load(item(0), db->reachableLines(item(0)));
            // Open some nodes first: open copies of an assembly must show the new lines too.
            outline(batched, batched.index(0, 0));
            store::LineBatch batch;
            for (const auto& [a, c] : free)
                if (random.bounded(3) == 0)
                    // IDs in another letter case name the same items.
                    batch.added.push_back(store::newLine(random.bounded(2) ? item(a).toLower() : item(a),
                                                         item(c), a + c / 10.0));
            db->writeLines(batch);
            const auto show = [&](tree::BomDocument& bill, const std::vector<store::LineRow>& rows) {
                bill.showSaved(tree::BomDocument::readShowing(*db, bill.planShowing(rows)));
            };
            show(batchedBill, batch.added);
            for (const store::LineRow& row : batch.added)
                show(oneByOneBill, {row});
            tree::BomDocument loadedBill;
            tree::BomTreeModel loaded{loadedBill};
            loadedBill.load(item(0), db->reachableLines(item(0)));
            const QString expected = outline(loaded);
            QCOMPARE(outline(batched), expected);
            QCOMPARE(outline(oneByOne), expected);
        }
    }
};

QTEST_GUILESS_MAIN(LineShowTest)
#include "line_show_test.moc"
