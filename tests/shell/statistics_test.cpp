#include "desktop/Desktop.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/Quantity.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

namespace {

QVariant text(const char* s) { return QString::fromUtf8(s); }

std::vector<ItemRow> catalogue() {
    return {{"A", text("Frame"), text("EA")},
            {"B", text("Bracket"), text("EA")},
            {"C", text("Cable"), text("M")},
            {"N", text("No unit"), {}},
            {"Q", {}, text("KG")},
            {"E", text(""), text("EA")}};
}

} // namespace

class StatisticsTest : public QObject {
    Q_OBJECT

    struct Shown {
        QString quantity, unit, description;
        bool operator==(const Shown&) const = default;
    };
    static Shown shown(WindowFixture& f) {
        return {f.label("Label8").text(), f.label("Label9").text(), f.label("Label7").text()};
    }

private Q_SLOTS:
    void showsEachNodesOwnLine() {
        // C is a direct component of A (2 m) and a component of B (0.25 m).
        WindowFixture f(catalogue(), {{"A", "B", 3}, {"A", "C", 2}, {"B", "C", 0.25}});
        f.load(QStringLiteral("A"));

        f.click(f.node("B"));
        QCOMPARE(shown(f), (Shown{"3", "EA", "Bracket"}));
        f.click(f.node("B/C"));
        QCOMPARE(shown(f), (Shown{"0.25", "M", "Cable"}));
        f.click(f.node("C"));
        QCOMPARE(shown(f), (Shown{"2", "M", "Cable"}));
        QCOMPARE(f.status(), f.database);

        // An edit of Text1 after the load never reads another assembly's line.
        f.Text1().setText(QStringLiteral("B"));
        f.click(f.node("C"));
        QCOMPARE(shown(f), (Shown{"2", "M", "Cable"}));
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void nullsAndMissingRows() {
        WindowFixture f(catalogue(),
                        {{"A", "N", QVariant()}, {"A", "Q", 1.5}, {"A", "GHOST", 7}, {"A", "E", 1}});
        f.load(QStringLiteral("A"));
        f.click(f.node("N"));
        QCOMPARE(shown(f), (Shown{"", "", "No unit"}));
        f.click(f.node("Q"));
        QCOMPARE(shown(f), (Shown{"1.5", "KG", "(no description on file)"}));
        f.click(f.node("GHOST"));
        QCOMPARE(shown(f), (Shown{"7", "", "(not in the Item Master)"}));
        f.click(f.node("E"));
        QCOMPARE(shown(f), (Shown{"1", "EA", ""}));
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void lineDeletedByAnotherProgramShowsEmptyQuantity() {
        WindowFixture f(catalogue(), {{"A", "B", 3}});
        f.load(QStringLiteral("A"));
        execOn(f.database, {QStringLiteral("DELETE FROM BomDetail")});
        f.click(f.node("B"));
        QCOMPARE(shown(f), (Shown{"", "EA", "Bracket"}));
    }

    void failureIsReportedAndStatusRestored() {
        WindowFixture f(catalogue(), {{"A", "B", 3}});
        f.load(QStringLiteral("A"));
        QFile::remove(f.database);
        f.click(f.node("B"));
        QCOMPARE(f.desktop.messages().size(), 1);
        QVERIFY(f.desktop.messageTexts().first().startsWith(u"1004 "));
        QCOMPARE(f.status(), f.database);
    }

    void followTheCurrentNodeHoweverItBecameCurrent() {
        WindowFixture f(catalogue(), {{"A", "B", 3}, {"A", "C", 2}, {"A", "Q", 5}, {"B", "C", 0.25}});
        f.load(QStringLiteral("A"));
        f.click(f.node("B"));
        QCOMPARE(shown(f), (Shown{"3", "EA", "Bracket"}));
        QTest::keyClick(&f.tree(), Qt::Key_Down); // B is collapsed: the next row is C
        QCOMPARE(shown(f), (Shown{"2", "M", "Cable"}));
        QTest::keyClick(&f.tree(), Qt::Key_End);
        QCOMPARE(shown(f), (Shown{"5", "KG", "(no description on file)"}));
        QTest::keyClick(&f.tree(), Qt::Key_Home);
        QCOMPARE(shown(f), (Shown{"3", "EA", "Bracket"}));
        QTest::keyClick(&f.tree(), Qt::Key_PageDown);
        QCOMPARE(shown(f), (Shown{"5", "KG", "(no description on file)"}));

        // A delete that moves the selection shows the node that is current afterwards.
        f.desktop.messageAnswers = {desktop::ResultOk};
        QTest::keyClick(&f.tree(), Qt::Key_Delete);
        QCOMPARE(f.outline(), QStringLiteral("B[C] C"));
        QVERIFY(f.tree().currentIndex().isValid());
        const QString current = f.model().text(f.tree().currentIndex());
        QCOMPARE(shown(f).description, current == u"C" ? QStringLiteral("Cable") : QStringLiteral("Bracket"));

        // No node current: nothing shown.
        f.tree().setCurrentIndex(QModelIndex());
        QCOMPARE(shown(f), (Shown{"", "", ""}));

        // A failed read leaves nothing of the node shown before.
        f.click(f.node("B"));
        QFile::remove(f.database);
        QTest::keyClick(&f.tree(), Qt::Key_Down);
        QCOMPARE(shown(f), (Shown{"", "", ""}));
        QVERIFY(f.desktop.messageTexts().last().startsWith(u"1004 "));
    }

    void asksForADatabaseWhenNoneIsKnown() {
        WindowFixture f(catalogue(), {{"A", "B", 3}});
        f.load(QStringLiteral("A"));
        const QString path = f.database;
        f.window().databaseChoice().setDatabasePath(QString());

        f.click(f.node("B")); // the dialog is cancelled: silent, fields untouched
        QCOMPARE(f.desktop.asked.size(), 1);
        QCOMPARE(f.desktop.asked.first().kind, QStringLiteral("file"));
        QCOMPARE(shown(f), (Shown{"", "", ""}));
        QCOMPARE(f.status(), QString());

        f.desktop.fileAnswers = {path};
        f.click(f.node("B"));
        QCOMPARE(shown(f), (Shown{"3", "EA", "Bracket"}));
        QCOMPARE(f.window().databaseChoice().databasePath(), path);
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void oneReadPerQuantityChangeWhateverItsCopies() {
        // B stands under A and under C: the line B → C shows twice, once with each B.
        WindowFixture f(catalogue(), {{"A", "B", 1}, {"A", "C", 1}, {"B", "C", 2}, {"C", "B", 1}});
        f.load(QStringLiteral("A"));
        const QPersistentModelIndex node = f.node("B/C");
        QCOMPARE(f.outline(), QStringLiteral("B[C[B*]] C[B[C*]]")); // B → C twice
        f.click(node);
        int reads = 0;
        connect(&f.window(), &shell::BomWindow::statisticsShown, this, [&] { ++reads; });
        f.model().setData(node.sibling(node.row(), tree::QuantityColumn), QStringLiteral("5"));
        QTRY_COMPARE(f.label("Label8").text(), QStringLiteral("5"));
        QCOMPARE(reads, 1);
        // Undo and Redo change the line's copies the same way: one read each.
        f.window().findChild<QAction*>(QStringLiteral("mnuUndo"))->trigger();
        QCOMPARE(f.label("Label8").text(), QStringLiteral("2"));
        f.window().findChild<QAction*>(QStringLiteral("mnuRedo"))->trigger();
        QCOMPARE(f.label("Label8").text(), QStringLiteral("5"));
        QCOMPARE(reads, 3);
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void quantitiesInTheGeneralFormat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 4.0 << "4";
        QTest::newRow("no grouping") << 1234567.0 << "1234567";
        QTest::newRow("fraction") << 0.125 << "0.125";
        QTest::newRow("binary noise rounded") << 0.1 + 0.2 << "0.3";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("zero") << 0.0 << "0";
    }
    void quantitiesInTheGeneralFormat() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(tree::formatQuantity(value), text);
    }

    void localeDecidesTheDecimalSeparator() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(tree::formatQuantity(1234.5), QStringLiteral("1234,5"));
        QCOMPARE(tree::parseQuantity(QStringLiteral("0,75")), std::optional<double>(0.75));
        QLocale::setDefault(saved);
    }
};

QTEST_MAIN(StatisticsTest)
#include "statistics_test.moc"
