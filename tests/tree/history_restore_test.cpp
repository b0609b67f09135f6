// A restore planned from the history of a file and of a server: every change it undoes is
// read, however many the history's list would show.

#include "store/History.h"
#include "store/ItemKey.h"
#include "support/BackendSuite.h"
#include "support/ScriptedDesktop.h"
#include "tree/history/HistoryRestore.h"

#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

class HistoryRestoreTest : public BackendSuite {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { store::setFileHistoryKept(false); }

    /// Each line changed twice after the moment: more changes than the query's list takes,
    /// and each line's oldest change, which names what it is put back to, among the last.
    void aBillRestoreReadsEveryChangeSinceItsMoment() {
        if (kind() == StoreBackend::Postgres && !needServer())
            return;
        const StoreBackend db = backend();
        std::vector<ItemRow> items{{u"A"_s, {}, {}}};
        std::vector<Line> lines;
        for (int part = 1; part <= 6; ++part) {
            items.push_back({u"P%1"_s.arg(part), {}, {}});
            lines.push_back({u"A"_s, u"P%1"_s.arg(part), 1.0});
        }
        db.write(items, lines);
        if (kind() == StoreBackend::Postgres)
            store::enableServerHistory(db.address());
        store::setFileHistoryKept(true);
        store::openHistory(db.address()); // the first look starts the history of a file
        const QStringList then = db.lines();
        const QStringList thenRows = db.rows();
        QThread::msleep(5);
        const QDateTime moment = QDateTime::currentDateTimeUtc();
        QThread::msleep(5);
        for (int quantity : {2, 3}) {
            for (int part = 1; part <= 6; ++part) {
                const QString component = u"P%1"_s.arg(part);
                const auto now = db.open()->findLine(u"A"_s, component);
                QVERIFY(now);
                db.open()->writeLines({{*now}, {store::newLine(u"A"_s, component, quantity)}});
            }
        }

        // As of the moment: every line whole, its start date as it stood then.
        QStringList asOf;
        for (const store::ComponentLine& line :
             store::openHistory(db.address())->linesAsOf(u"A"_s, moment).value(store::foldKey(u"A"_s)))
            asOf.append(u"A>"_s + line.id + u'=' + QString::number(line.quantity.value_or(-1)) +
                        u'@' + line.startDate);
        QCOMPARE(asOf, thenRows);

        store::HistoryQuery query;
        query.assemblies = {u"A"_s};
        query.since = moment.addMSecs(1);
        query.limit = 3;
        ScriptedDesktop desktop;
        const std::vector<tree::RestoreLine> plan = tree::readRestore(desktop, db.address(), query);
        QStringList targets;
        for (const tree::RestoreLine& line : plan)
            targets.append(line.component + u' ' + tree::rowText(line.target).section(u',', 0, 0));
        QCOMPARE(targets, (QStringList{u"P1 1"_s, u"P2 1"_s, u"P3 1"_s, u"P4 1"_s, u"P5 1"_s,
                                       u"P6 1"_s}));
        db.open()->writeLines(tree::restoreBatch(plan));
        QCOMPARE(db.lines(), then);
    }
};

QTEST_MAIN(HistoryRestoreTest)
#include "history_restore_test.moc"
