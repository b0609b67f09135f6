// The edits of the loaded bill's lines, one layer below the window: the document, the tree that
// shows it and the operations over both, asking through a scripted desktop.

#include "BillEditor.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

std::vector<ItemRow> catalogue() {
    std::vector<ItemRow> items;
    for (const char* id : {"A", "X", "Y", "S", "T", "K", "NEW"})
        items.push_back({QString::fromLatin1(id), {}, {}});
    return items;
}

} // namespace

class LineEditsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void editsReachTheClosedCopiesOfABill() {
        // X is used by A and by Y: an edit in its opened copy is what the closed one shows
        // when it is opened.
        QTemporaryDir dir;
        const QString database = dir.filePath(QStringLiteral("bom.db"));
        writeDatabase(database, catalogue(),
                      {{"A", "X"}, {"A", "Y"}, {"Y", "X"}, {"X", "S"}, {"X", "T"}, {"X", "K"}});
        BillEditor e(database);
        tree::BomTreeModel& model = e.model;
        e.editor.load(QStringLiteral("A"));
        const QModelIndex x = model.index(0, 0);
        model.fetchMore(x);
        QCOMPARE(model.rowCount(x), 3);
        e.desktop.messageAnswers = {desktop::ResultOk};
        e.edits().deleteComponent(model.index(0, 0, x)); // K
        QCOMPARE(model.rowCount(x), 2);
        QCOMPARE(model.text(model.index(0, 0, x)), QStringLiteral("S"));
        e.edits().changeQuantity(model.index(0, 0, x), QStringLiteral("7"));
        QCOMPARE(columnOf(database, "X", "S", "bomQtyReq").toDouble(), 7.0);
        const QModelIndex y = model.index(1, 0);
        model.fetchMore(y);
        const QModelIndex xInY = model.index(0, 0, y);
        model.fetchMore(xInY);
        QCOMPARE(model.rowCount(xInY), 2);
        QCOMPARE(model.quantity(model.index(0, 0, xInY)), std::optional<double>(7));
        QCOMPARE(model.structureRows(), qint64(2 + 2 + 1 + 2));
        QCOMPARE(e.desktop.messageTexts(), QStringList{QStringLiteral("Delete Selected Item?")});
    }
};

QTEST_MAIN(LineEditsTest)
#include "line_edits_test.moc"
