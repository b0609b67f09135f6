// The change history's texts that the window and bom-import share: the moments "as of" reads.

#include "tree/history/HistoryTexts.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class HistoryTextsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    /// Typed moments in the forms people type them.
    void readsMomentsAsTyped() {
        const QDate today(2026, 12, 11);
        const QLocale c = QLocale::c();
        const auto at = [](int y, int m, int d, int h, int min, int sec = 0) {
            return std::optional<QDateTime>(QDateTime(QDate(y, m, d), QTime(h, min, sec)));
        };
        QCOMPARE(tree::typedMoment(u" 2026-12-10  08:00 "_s, c, today), at(2026, 12, 10, 8, 0));
        QCOMPARE(tree::typedMoment(u"2026-12-10T08:00:05"_s, c, today), at(2026, 12, 10, 8, 0, 5));
        QCOMPARE(tree::typedMoment(u"2026-12-10"_s, c, today), at(2026, 12, 10, 0, 0));
        QCOMPARE(tree::typedMoment(u"8:30"_s, c, today), at(2026, 12, 11, 8, 30));
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(tree::typedMoment(u"10.12.26 08:00"_s, german, today), at(2026, 12, 10, 8, 0));
        QCOMPARE(tree::typedMoment(u"10.12.26 08:00:05"_s, german, today), at(2026, 12, 10, 8, 0, 5));
        QCOMPARE(tree::typedMoment(u"10.12.26"_s, german, today), at(2026, 12, 10, 0, 0));
        const QLocale american(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(tree::typedMoment(american.toString(QDateTime(QDate(2026, 12, 10), QTime(20, 15)),
                                                      QLocale::ShortFormat),
                                    american, today),
                 at(2026, 12, 10, 20, 15));
        for (const QString& none : {u""_s, u"yesterday"_s, u"2026-13-01"_s, u"25:00"_s})
            QVERIFY2(!tree::typedMoment(none, c, today), qPrintable(none));
    }

    /// What "as of" writes in its field reads back as the same moment: the one just before a
    /// change (Show the Bill Before This Change) to its millisecond, a whole second as typed.
    void momentsShownReadBackAsThemselves() {
        const QDate today(2026, 12, 11);
        const QDateTime change(today, QTime(14, 50, 24, 293));
        for (const QDateTime& moment :
             {change.addMSecs(-1), change.addMSecs(-294), change.addMSecs(706), change}) {
            const QString shown = tree::momentText(moment);
            QCOMPARE(tree::asOfMoment(shown, QLocale(), today), std::optional(moment));
        }
        QCOMPARE(tree::momentText(change.addMSecs(706)), u"2026-12-11 14:50:24"_s);
        QCOMPARE(tree::momentText(change.addMSecs(-1)), u"2026-12-11 14:50:24.292"_s);
        // Typed to the second, it holds the change made within it.
        QCOMPARE(tree::asOfMoment(u"14:50:24"_s, QLocale::c(), today), std::optional(change.addMSecs(706)));
    }
};

QTEST_MAIN(HistoryTextsTest)
#include "history_texts_test.moc"
