// Export and print of the loaded bill: the files are read back with the import's own CSV
// reader and compared field by field with a bill computed by hand.

#include "import/CsvReader.h"
#include "shell/ExportCommands.h"
#include "support/WindowFixture.h"
#include "tree/BillDocument.h"
#include "tree/BillExport.h"
#include "tree/BomTreeModel.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <unistd.h>

using namespace Qt::StringLiterals;
using tree::Node;

namespace {

struct Spec {
    int level;
    const char16_t* id;
    std::optional<double> quantity;
    const char16_t* description = u"";
};

/// Nodes in pre-order from their levels, as a load builds them; every unit is "EA".
std::vector<Node> nodes(const std::vector<Spec>& specs) {
    std::vector<Node> result;
    std::vector<int> path; // the node at each level above
    for (const Spec& spec : specs) {
        path.resize(size_t(spec.level - 1));
        Node node;
        node.text = QString::fromUtf16(spec.id);
        node.parent = path.empty() ? -1 : path.back();
        node.hasQuantity = spec.quantity.has_value();
        node.quantity = spec.quantity.value_or(0);
        node.description = QString::fromUtf16(spec.description);
        node.unit = u"EA"_s;
        if (node.parent >= 0) {
            node.row = int(result[size_t(node.parent)].children.size());
            result[size_t(node.parent)].children.push_back(int(result.size()));
        }
        path.push_back(int(result.size()));
        result.push_back(std::move(node));
    }
    return result;
}

/// TOP uses A twice over (2 per TOP) and the shared sub-assembly S both through A and directly;
/// N's quantity is Null, P also appears spelled "p".
std::vector<Node> handBill() {
    return nodes({{1, u"A", 2, u"Frame, welded"},
                  {2, u"S", 3, u"Sub \"S\""},
                  {3, u"P", 4},
                  {3, u"N", std::nullopt},
                  {3, u"X", 0.1},
                  {1, u"S", 0.5, u"Sub \"S\""},
                  {2, u"P", 4},
                  {2, u"N", std::nullopt},
                  {2, u"X", 0.1},
                  {1, u"p", 10}});
}

QList<QStringList> readCsv(const QByteArray& bytes) {
    import::CsvReader reader(bytes, u"export"_s);
    QList<QStringList> records;
    for (std::vector<import::CsvField> fields; reader.next(fields);) {
        records.append(QStringList());
        for (const auto& field : fields)
            records.last().append(QString::fromUtf8(field.bytes));
    }
    return records;
}

/// Expected records, their fields separated by '|'.
QList<QStringList> rows(const QStringList& lines) {
    QList<QStringList> result;
    for (const QString& line : lines)
        result.append(line.split(u'|'));
    return result;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedDesktop m_desktop;
    tree::BomTreeModel m_model;
    shell::ExportCommands m_commands{m_desktop, m_model,
                                     [this] { return m_dir.filePath(QStringLiteral("bom.db")); },
                                     [] { return QStringLiteral("Top assembly, “Ø 5”"); }};

    QByteArray exported(void (shell::ExportCommands::*command)(), const QString& name) {
        const QString path = m_dir.filePath(name);
        m_desktop.saveAnswers = {path};
        (m_commands.*command)();
        return contents(path);
    }

private Q_SLOTS:
    void init() {
        m_desktop.asked.clear();
        m_model.adopt(QStringLiteral("TOP"), handBill());
    }

    void billsReadBackAsComputedByHand() {
        QByteArray bytes = exported(&shell::ExportCommands::exportIndented, u"i.csv"_s);
        // The save dialogs propose ITEM-indented.csv and ITEM-summary.csv beside the database.
        QCOMPARE(m_desktop.asked.value(0).defaultText, m_dir.filePath(u"TOP-indented.csv"_s));
        QCOMPARE(readCsv(bytes),
                 rows({u"Level|Item ID|Description|Quantity|UOM|Extended Quantity"_s,
                       u"1|A|Frame, welded|2|EA|2"_s, u"2|S|Sub \"S\"|3|EA|6"_s, u"3|P||4|EA|24"_s,
                       u"3|N|||EA|"_s, u"3|X||0.1|EA|0.6"_s,
                       u"1|S|Sub \"S\"|0.5|EA|0.5"_s, u"2|P||4|EA|2"_s, u"2|N|||EA|"_s,
                       u"2|X||0.1|EA|0.05"_s, u"1|p||10|EA|10"_s}));

        bytes = exported(&shell::ExportCommands::exportSummarised, u"s.csv"_s);
        QCOMPARE(m_desktop.asked.value(1).defaultText, m_dir.filePath(u"TOP-summary.csv"_s));
        // P: 24 + 2 + 10 under its first spelling; N: a Null on its path leaves no total;
        // X: 6 × 0.1 + 0.5 × 0.1, to the fifteen digits the tree shows.
        const QList<QStringList> records = readCsv(bytes);
        QCOMPARE(records.mid(0, 5),
                 rows({u"Item ID|Description|Total Quantity|UOM"_s, u"A|Frame, welded|2|EA"_s,
                       u"S|Sub \"S\"|6.5|EA"_s, u"P||36|EA"_s, u"N|||EA"_s}));
        QCOMPARE(records.value(5).value(0), u"X"_s);
        QCOMPARE(records.value(5).value(2), u"0.65"_s);
        QCOMPARE(records.size(), 6);
        QVERIFY(m_desktop.messages().isEmpty());
    }

    void quantitiesAreCLocaleFormsOfFifteenDigits() {
        // A user's locale with a decimal comma changes nothing in the file.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::pair<double, QString> cases[] = {{0.1, u"0.1"_s},
                                                    {0.1 + 0.2, u"0.3"_s},
                                                    {1.6 + 1.8, u"3.4"_s},
                                                    {1.0 / 3, u"0.333333333333333"_s},
                                                    {1e6, u"1000000"_s},
                                                    {1e-9, u"1e-09"_s},
                                                    {-1.5e300, u"-1.5e+300"_s}};
        for (const auto& [value, text] : cases) {
            QCOMPARE(tree::csvQuantity(value), text);
            QVERIFY(qFuzzyCompare(QLocale::c().toDouble(text), value));
        }
        QLocale::setDefault(QLocale::c());
    }

    void awkwardTextIsQuotedAndReadsBack() {
        m_model.adopt(u"TOP"_s, nodes({{1, u"B,1 \"x\"", 1, u"One\r\ntwo\nØ 5 mm, “rund”, 中"}}));
        const QByteArray bytes = exported(&shell::ExportCommands::exportIndented, u"a.csv"_s);
        // No byte order mark, CR LF ends, quotes doubled inside quoted fields.
        QVERIFY(bytes.startsWith("Level,Item ID,Description,Quantity,UOM,Extended Quantity\r\n"));
        QVERIFY(bytes.contains("\r\n1,\"B,1 \"\"x\"\"\",\"One\r\ntwo\n"));
        QCOMPARE(readCsv(bytes).value(1),
                 (QStringList{u"1"_s, u"B,1 \"x\""_s, u"One\r\ntwo\nØ 5 mm, “rund”, 中"_s, u"1"_s,
                              u"EA"_s, u"1"_s}));
    }

    void printShowsTheHeadingAndWritesAFile() {
        const auto document =
            tree::billDocument(tree::indentedBill(m_model),
                               {u"TOP"_s, u"Top assembly"_s, u"/data/bom.db"_s, QDate(2024, 3, 9)});
        const QString text = document->toPlainText();
        for (const QString& part : {u"TOP"_s, u"Top assembly"_s, u"/data/bom.db"_s,
                                    QLocale().toString(QDate(2024, 3, 9), QLocale::LongFormat),
                                    u"Frame, welded"_s, u"Extended Quantity"_s})
            QVERIFY2(text.contains(part), qPrintable(part));

        m_desktop.printAnswers = {false, true};
        m_commands.print(); // cancelled
        QVERIFY(m_desktop.printedPdf.isEmpty());
        m_commands.print();
        QCOMPARE(m_desktop.asked.size(), 2);
        QCOMPARE(m_desktop.asked[1].kind, u"print"_s);
        QVERIFY(QFileInfo(m_desktop.printedPdf).size() > 1000);
        QVERIFY(contents(m_desktop.printedPdf).startsWith("%PDF"));
        QVERIFY(m_desktop.messages().isEmpty());
    }

    void failedWriteIsNumberedAndLeavesNoFile_data() {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("folder is a file") << false;
    }
    void failedWriteIsNumberedAndLeavesNoFile() {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QString target =
            readOnlyFolder ? dir.filePath(u"out.csv"_s) : blocker.fileName() + u"/out.csv"_s;
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        m_desktop.saveAnswers = {target};
        m_commands.exportIndented();
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString message = m_desktop.messageTexts().value(0);
        QVERIFY2(message.startsWith(u"1201 "_s) && message.contains(target), qPrintable(message));
        QCOMPARE(m_desktop.messages().size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"blocker"_s});
    }

    void windowOffersTheCommandsOnlyWithABill() {
        WindowFixture w({{u"TOP"_s, u"Top"_s, {}}, {u"A"_s, {}, {}}, {u"E"_s, {}, {}}},
                        {{u"TOP"_s, u"A"_s, 2.0}});
        auto* indented = w.window().findChild<QAction*>(u"Indented Bill (CSV)…"_s);
        auto* summary = w.window().findChild<QAction*>(u"Summarised Bill (CSV)…"_s);
        auto* print = w.window().findChild<QAction*>(u"Print…"_s);
        QVERIFY(indented && summary && print);
        QVERIFY(!indented->isEnabled() && !summary->isEnabled() && !print->isEnabled());
        w.load(u"E"_s); // an item without components: nothing to export
        QVERIFY(!indented->isEnabled());
        w.load(u"TOP"_s);
        QVERIFY(indented->isEnabled() && summary->isEnabled() && print->isEnabled());

        const QString path = QFileInfo(w.database).dir().filePath(u"out.csv"_s);
        w.desktop.saveAnswers = {path};
        indented->trigger();
        QCOMPARE(w.desktop.asked.last().defaultText,
                 QFileInfo(w.database).dir().filePath(u"TOP-indented.csv"_s));
        const QList<QStringList> records = readCsv(contents(path));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].mid(0, 2), (QStringList{u"1"_s, u"A"_s}));
    }
};

QTEST_MAIN(ExportTest)
#include "export_test.moc"
