#include "tree/edits/Quantity.h"

#include <QTest>

#include <cmath>

using tree::parseQuantity;
using tree::quantityProblem;

namespace {
const QLocale German(QLocale::German, QLocale::Germany);
const QLocale English(QLocale::English, QLocale::UnitedStates);
} // namespace

class QuantityTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsOneWayOnly_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");    // NaN: refused
        QTest::addColumn<QString>("problem"); // how the description begins when refused

        const double refused = std::nan("");
        const QString notANumber = QStringLiteral("is not a quantity: enter a number");
        const QString grouping = QStringLiteral("is not a quantity: digit grouping");
        const QString ambiguous = QStringLiteral("is ambiguous");

        QTest::newRow("de decimal comma") << German << "1,5" << 1.5 << QString();
        QTest::newRow("de decimal point") << German << "1.5" << 1.5 << QString();
        QTest::newRow("de four decimals") << German << "1.0000" << 1.0 << QString();
        QTest::newRow("de blanks, sign") << German << " -0,25 " << -0.25 << QString();
        QTest::newRow("de exponent") << German << "1e3" << 1000.0 << QString();
        QTest::newRow("de comma and three digits") << German << "1,000" << 1.0 << QString();
        QTest::newRow("de zero either way") << German << "0.000" << 0.0 << QString();
        QTest::newRow("de 1 or 1000") << German << "1.000" << refused << ambiguous;
        QTest::newRow("de 1.5 or 1500") << German << "1.500" << refused << ambiguous;
        QTest::newRow("de grouped with decimals") << German << "1.000,5" << refused << grouping;
        QTest::newRow("de two groups") << German << "12.345.678" << refused << grouping;
        QTest::newRow("de both separators") << German << "1,5.3" << refused << notANumber;

        QTest::newRow("en decimal point") << English << "1.5" << 1.5 << QString();
        QTest::newRow("en three decimals") << English << "1.000" << 1.0 << QString();
        QTest::newRow("en grouped") << English << "1,000" << refused << grouping;
        QTest::newRow("en grouped with decimals") << English << "1,000.5" << refused << grouping;
        QTest::newRow("en decimal comma") << English << "1,5" << refused << notANumber;

        // Written as numbers, but beyond what a quantity can hold: the words say so.
        const QString outOfRange = QStringLiteral("is not a quantity: it is out of range");
        const QString manyDigits = QString(400, u'9');
        const QString tinyFraction = QStringLiteral("0.") + QString(400, u'0') + u'1';
        for (const QLocale& locale : {German, English}) {
            const QString name = locale.name();
            for (const QString& text : {QStringLiteral("1e309"), QStringLiteral("-1E309"),
                                        QStringLiteral("1e-400"), manyDigits, tinyFraction})
                QTest::addRow("%s %s out of range", qPrintable(name), qPrintable(text.left(8)))
                    << locale << text << refused << outOfRange;
        }
        QTest::newRow("de comma, out of range") << German << "-1,5e999" << refused << outOfRange;
        QTest::newRow("en two exponents") << English << "1e3e4" << refused << notANumber;
        for (const QLocale& locale : {German, English}) {
            const QString name = locale.name();
            for (const char* text : {"nan", "inf", "-inf", "abc", "", "  ", "1 000", "2x"})
                QTest::addRow("%s '%s'", qPrintable(name), text)
                    << locale << QString::fromLatin1(text) << refused << notANumber;
        }
    }

    void readsOneWayOnly() {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(QString, problem);
        const std::optional<double> read = parseQuantity(text, locale);
        const QString said = quantityProblem(text, locale);
        if (std::isnan(value)) {
            QVERIFY2(!read, qPrintable(QString::number(read.value_or(0))));
            QVERIFY2(said.startsWith(u'\'' + text + QStringLiteral("' ") + problem),
                     qPrintable(said));
        } else {
            QCOMPARE(read, std::optional<double>(value));
            QCOMPARE(said, QString());
        }
    }

    void problemsSayWhatToEnter() {
        QCOMPARE(quantityProblem(QStringLiteral("abc"), English),
                 QStringLiteral("'abc' is not a quantity: enter a number, for example 2 or 0.5."));
        QCOMPARE(quantityProblem(QStringLiteral("1.500"), German),
                 QStringLiteral("'1.500' is ambiguous: it reads as 1,5 and, with '.' grouping "
                                "the digits, as 1500; enter the number without digit grouping."));
        QCOMPARE(quantityProblem(QStringLiteral("1,000.5"), English),
                 QStringLiteral("'1,000.5' is not a quantity: digit grouping (',') is not "
                                "accepted; enter the number without it, for example 1000.5."));
    }

    void theUsersLocaleByDefault() {
        const QLocale saved;
        QLocale::setDefault(German);
        const bool german = parseQuantity(QStringLiteral("2,5")) == 2.5 &&
                            !parseQuantity(QStringLiteral("2.500")) &&
                            quantityProblem(QStringLiteral("2.500")).contains(u"2500");
        QLocale::setDefault(English);
        const bool english = !parseQuantity(QStringLiteral("2,500")) &&
                             parseQuantity(QStringLiteral("2.500")) == 2.5;
        QLocale::setDefault(saved);
        QVERIFY(german);
        QVERIFY(english);
    }
};

QTEST_GUILESS_MAIN(QuantityTest)
#include "quantity_test.moc"
