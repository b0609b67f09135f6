#include "store/StoreError.h"
#include "tree/edits/LinePaste.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

/// The lines as "ID=QUANTITY" or "ID!NUMBER" for a refused one, joined by blanks.
QString summary(const tree::PastedLines& pasted) {
    if (!pasted.problem.isEmpty())
        return QStringLiteral("problem ") + pasted.problem.section(u' ', 0, 0);
    QStringList parts;
    for (const tree::PastedLine& line : pasted.lines)
        parts.append(line.refusal.isEmpty()
                         ? line.component + u'=' + QString::number(*line.quantity)
                         : line.component + u'!' + line.refusal.section(u' ', 0, 0));
    return parts.join(u' ');
}

} // namespace

class LinePasteTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsSpreadsheetText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("lines");
        QTest::newRow("no header: the first two columns")
            << "A\t2\nB\t0.5\n" << "C" << "A=2 B=0.5";
        QTest::newRow("header in another order and case, CR LF, empty rows skipped")
            << "uom\tQUANTITY\titem id\r\nEA\t3\tX\r\n\t\t\r\n\r\nEA\t4\tY" << "C" << "X=3 Y=4";
        QTest::newRow("the indented export's header")
            << "Level\tItem ID\tDescription\tQuantity\n1\tP\tpart\t7\n" << "C" << "P=7";
        QTest::newRow("the import's column names") << "BomID\tBomComp\tbomQtyReq\nT\tQ\t1.25"
                                                   << "C" << "Q=1.25";
        QTest::newRow("an item ID column without a quantity column") << "Item ID\tUOM\nA\tEA"
                                                                     << "C" << "problem 1320";
        QTest::newRow("decimal comma in a German locale, a point too")
            << "A\t1,5\nB\t2.5\nC\t1.000" << "de_DE" << "A=1.5 B=2.5 C!1032";
        QTest::newRow("bad, empty and missing quantities; an empty ID")
            << "A\tabc\nB\t\nC\n\t4\nD\t1e999" << "C" << "A!1032 B!1032 C!1032 !1321 D!1032";
        QTest::newRow("a quoted cell holds a tab and a line break")
            << "\"odd\tid\nx\"\t2\n\"say \"\"hi\"\"\"\t3" << "C" << "odd\tid\nx=2 say \"hi\"=3";
        QTest::newRow("a formula guard is removed, other apostrophes kept")
            << "'=A1\t1\n'X\t2\n''Y\t3" << "C" << "=A1=1 'X=2 'Y=3";
        QTest::newRow("non-ASCII and quotes in IDs, blanks kept")
            << "Ærø 'x'\t1\n bolt \t2" << "C" << "Ærø 'x'=1  bolt =2";
        QTest::newRow("nothing but blanks") << " \n\t\n" << "C" << "problem 1320";
        QTest::newRow("peers' and ERPs' names, any case and blanks")
            << "Line\tPart  Number\tqty per\n1\tP\t2" << "C" << "P=2";
        QTest::newRow("SKU and Amount") << "Amount\tsku\n3\tS" << "C" << "S=3";
        QTest::newRow("Item Code, Product, Quantity")
            << "ITEMCODE\tProduct\tQuantity\nI\tX\t4" << "C" << "I=4";
        QTest::newRow("Product, Item ID, Qty: the item ID's own name wins, wherever it stands")
            << "Product\tItem ID\tQty\nLAMP\tP\t2" << "C" << "P=2";
        QTest::newRow("Item and Quantity") << "Item\tQuantity\nA\t2" << "C" << "A=2";
        QTest::newRow("a header it does not know, asked of nobody: a line as before")
            << "Stock No\tPieces\nA\t2" << "C" << "Stock No!1032 A=2";
    }

    void asksOnceAboutAHeaderItDoesNotKnow_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("lines");
        QTest::newRow("unknown names, numbers below") << "Pieces\tStock No\n2\tA\n3\tB"
                                                      << "Pieces|Stock No" << "A=2 B=3";
        QTest::newRow("an ID named, the quantity not") << "Part\tPieces\nA\t2"
                                                       << "Part|Pieces" << "A=2";
        QTest::newRow("known names: nobody asked") << "Part\tQty\nA\t2" << "" << "A=2";
        QTest::newRow("no header: nobody asked") << "A\t2\nB\t3" << "" << "A=2 B=3";
        QTest::newRow("one row of words: a line, nobody asked") << "Stock\tPieces" << ""
                                                                << "Stock!1032";
    }
    void asksOnceAboutAHeaderItDoesNotKnow() {
        QFETCH(QString, text);
        QFETCH(QString, asked);
        QFETCH(QString, lines);
        QStringList headers;
        const auto answer = [&](const QStringList& header) -> std::optional<tree::PasteColumns> {
            headers.append(header.join(u'|'));
            // The user's answer: the ID in the column headed "Stock No" or "Part".
            const qsizetype id =
                header.indexOf(header.contains(u"Part"_s) ? u"Part"_s : u"Stock No"_s);
            return tree::PasteColumns{int(id), int(header.indexOf(u"Pieces"_s))};
        };
        QCOMPARE(summary(tree::readLinesText(text, QLocale::c(), answer)), lines);
        QCOMPARE(headers.join(u'/'), asked);
        // Cancel at the question reads nothing, and says so.
        if (!asked.isEmpty()) {
            const tree::PastedLines cancelled = tree::readLinesText(
                text, QLocale::c(), [](const QStringList&) { return std::nullopt; });
            QVERIFY(cancelled.cancelled && cancelled.lines.empty() && cancelled.problem.isEmpty());
        }
    }
    void readsSpreadsheetText() {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QString, lines);
        QCOMPARE(summary(tree::readLinesText(text, QLocale(locale))), lines);
    }

    void copiedLinesReadBackAsTheyWere() {
        // Random lines through both clipboard forms: the own data gives each quantity to the
        // last bit, the text what a spreadsheet would get, and both the same items.
        QRandomGenerator random(17);
        std::vector<tree::CopiedLine> copied;
        const QStringList ids{QStringLiteral("=SUM(A1)"), QStringLiteral("a\tb"),
                              QStringLiteral("Ünïcødé"), QStringLiteral("'quoted'"),
                              QStringLiteral("-1"), QStringLiteral("x\ny")};
        for (int i = 0; i < 200; ++i) {
            const double quantity = std::ldexp(random.generateDouble(), int(random.bounded(-30, 30)));
            copied.push_back({QStringLiteral("ASM"),
                              ids[i % ids.size()] + QString::number(i),
                              i % 7 == 0 ? std::optional<double>() : quantity,
                              QStringLiteral("E\tA"), QStringLiteral("desc\r\nwith break")});
        }
        const tree::PastedLines own = tree::readOwnLines(tree::ownLinesData(copied));
        const QString text = tree::linesText(copied);
        QVERIFY(text.startsWith(tree::LinesTextHeader + u'\n'));
        // One row a line: a tab or break in a field never splits it.
        QCOMPARE(text.count(u'\n'), qsizetype(copied.size()) + 1);
        for (const QString& row : text.split(u'\n', Qt::SkipEmptyParts))
            QCOMPARE(row.count(u'\t'), 3);
        const tree::PastedLines fromText = tree::readLinesText(text, QLocale::c());
        QCOMPARE(own.lines.size(), copied.size());
        QCOMPARE(fromText.lines.size(), copied.size());
        for (size_t i = 0; i < copied.size(); ++i) {
            QCOMPARE(own.lines[i].component, copied[i].component);
            QCOMPARE(own.lines[i].quantity, copied[i].quantity);
            QCOMPARE(own.lines[i].refusal.isEmpty(), copied[i].quantity.has_value());
            QString shown = copied[i].component;
            shown.replace(u'\t', u' ').replace(u'\n', u' ');
            QCOMPARE(fromText.lines[i].component, shown);
            QCOMPARE(fromText.lines[i].refusal.isEmpty(), copied[i].quantity.has_value());
            if (copied[i].quantity)
                QCOMPARE(*fromText.lines[i].quantity, *copied[i].quantity);
        }
        QCOMPARE(summary(tree::readOwnLines("not json")), QStringLiteral("problem 1320"));
    }

    void repeatsAreRefusedAfterTheFirst() {
        std::vector<tree::PastedLine> lines{
            {QStringLiteral("bolt"), {}, {}, QStringLiteral("1032 bad")}, // refused already
            {QStringLiteral("BOLT"), 1.0, {}, {}},
            {QStringLiteral("Bolt"), 2.0, {}, {}},
            {QStringLiteral("É"), 1.0, {}, {}},
            {QStringLiteral("é"), 1.0, {}, {}}, // another item under the store's rule
        };
        tree::refuseRepeats(lines);
        QStringList refusals;
        for (const auto& line : lines)
            refusals.append(line.refusal.section(u' ', 0, 0));
        QCOMPARE(refusals, (QStringList{"1032", "", "1322", "", ""}));
    }
};

QTEST_GUILESS_MAIN(LinePasteTest)
#include "line_paste_test.moc"
