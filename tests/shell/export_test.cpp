// Export and print of the loaded bill: the files are read back with the import's own CSV
// reader and compared field by field with a bill computed by hand.

#include "import/CsvReader.h"
#include "shell/export/ExportCommands.h"
#include "store/ItemKey.h"
#include "support/BillListing.h"
#include "support/ExportContext.h"
#include "support/FileSizeLimit.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/reports/BillExport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QSettings>
#include <QDate>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Spec {
    int level;
    const char16_t* id;
    std::optional<double> quantity;
    const char16_t* description = u"";
};

/// Rows from their levels; every unit is "EA".
std::vector<ListedRow> nodes(const std::vector<Spec>& specs) {
    std::vector<ListedRow> result;
    for (const Spec& spec : specs)
        result.push_back({spec.level, QString::fromUtf16(spec.id), spec.quantity,
                          QString::fromUtf16(spec.description)});
    return result;
}

/// TOP uses A twice over (2 per TOP) and the shared sub-assembly S both through A and directly;
/// N's quantity is Null, P also appears spelled "p".
std::vector<ListedRow> handBill() {
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

/// A bill of `count` nodes whose text runs to about 100 bytes a line.
std::vector<ListedRow> longBill(int count) {
    std::vector<Spec> specs;
    static std::vector<QString> ids; // Spec holds pointers
    ids.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        ids[size_t(i)] = u"PART-%1"_s.arg(i, 6, 10, QChar(u'0'));
        specs.push_back({1, reinterpret_cast<const char16_t*>(ids[size_t(i)].utf16()), 1.5,
                         u"A description long enough to make the file grow quickly, line by line"});
    }
    return nodes(specs);
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
    tree::BomDocument m_modelBill;
    tree::BomTreeModel m_model{m_modelBill};
    ExportContext m_context{m_desktop, m_model, m_dir.filePath(QStringLiteral("bom.db")),
                            QStringLiteral("Top assembly, “Ø 5”")};
    shell::ExportCommands m_commands{m_context};

    QByteArray exported(void (shell::ExportCommands::*command)(), const QString& name) {
        const QString path = m_dir.filePath(name);
        m_desktop.saveAnswers = {path};
        (m_commands.*command)();
        return contents(path);
    }

private Q_SLOTS:
    void init() {
        m_desktop.asked.clear();
        loadListing(m_model, QStringLiteral("TOP"), handBill());
    }

    void billsReadBackAsComputedByHand() {
        QByteArray bytes = exported(&shell::ExportCommands::exportIndented, u"i.csv"_s);
        // The save dialogs propose ITEM-indented.csv and ITEM-summary.csv beside the database.
        QCOMPARE(m_desktop.asked.value(0).defaultText, m_dir.filePath(u"TOP-indented.csv"_s));
        QCOMPARE(readCsv(bytes),
                 rows({u"Level|Item ID|Description|Quantity|UOM|Extended Quantity|Parent|Note"_s,
                       u"1|A|Frame, welded|2|EA|2|TOP|"_s, u"2|S|Sub \"S\"|3|EA|6|A|"_s,
                       u"3|P||4|EA|24|S|"_s, u"3|N|||EA||S|no quantity"_s, u"3|X||0.1|EA|0.6|S|"_s,
                       u"1|S|Sub \"S\"|0.5|EA|0.5|TOP|"_s, u"2|P||4|EA|2|S|"_s,
                       u"2|N|||EA||S|no quantity"_s, u"2|X||0.1|EA|0.05|S|"_s,
                       u"1|p||10|EA|10|TOP|"_s}));
        QCOMPARE(m_context.status(), u"Indented bill written to %1: 10 rows."_s.arg(m_dir.filePath(u"i.csv"_s)));

        bytes = exported(&shell::ExportCommands::exportSummarised, u"s.csv"_s);
        QCOMPARE(m_desktop.asked.value(1).defaultText, m_dir.filePath(u"TOP-summary.csv"_s));
        // P: 24 + 2 + 10 under its first spelling; N: a Null on its path leaves no total;
        // X: 6 × 0.1 + 0.5 × 0.1, to the fifteen digits the tree shows.
        const QList<QStringList> records = readCsv(bytes);
        QCOMPARE(records.mid(0, 5),
                 rows({u"Item ID|Description|Total Quantity|UOM|Has Bill|Note"_s,
                       u"A|Frame, welded|2|EA|yes|"_s, u"S|Sub \"S\"|6.5|EA|yes|"_s,
                       u"P||36|EA|no|"_s, u"N|||EA|no|no quantity"_s}));
        QCOMPARE(records.value(5).value(0), u"X"_s);
        QCOMPARE(records.value(5).value(2), u"0.65"_s);
        QCOMPARE(records.size(), 6);
        QCOMPARE(m_context.status(), u"Summarised bill written to %1: 5 rows."_s.arg(m_dir.filePath(u"s.csv"_s)));
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
        loadListing(m_model, u"TOP"_s, nodes({{1, u"B,1 \"x\"", 1, u"One\r\ntwo\nØ 5 mm, “rund”, 中"}}));
        const QByteArray bytes = exported(&shell::ExportCommands::exportIndented, u"a.csv"_s);
        // No byte order mark, CR LF ends, quotes doubled inside quoted fields.
        QVERIFY(bytes.startsWith(
            "Level,Item ID,Description,Quantity,UOM,Extended Quantity,Parent,Note\r\n"));
        QVERIFY(bytes.contains("\r\n1,\"B,1 \"\"x\"\"\",\"One\r\ntwo\n"));
        QCOMPARE(readCsv(bytes).value(1),
                 (QStringList{u"1"_s, u"B,1 \"x\""_s, u"One\r\ntwo\nØ 5 mm, “rund”, 中"_s, u"1"_s,
                              u"EA"_s, u"1"_s, u"TOP"_s, u""_s}));
    }

    void formulaTextIsGuardedAndReadsBack() {
        // Random texts, many of them starting with what a spreadsheet runs as a formula; every
        // text cell read back must start with none of it, and give the stored text back once
        // one leading apostrophe is removed. Quantities stay numbers, minus signs included.
        QRandomGenerator random(20);
        const QString alphabet = u"=+-@'\t\r\n\" ,;ab1Ø中"_s;
        const auto text = [&] {
            QString t;
            for (int n = random.bounded(6); n >= 0; --n)
                t += alphabet[random.bounded(int(alphabet.size()))];
            return t;
        };
        std::vector<ListedRow> bill;
        for (int i = 0; i < 300; ++i) {
            ListedRow node;
            node.id = text() + QString::number(i); // distinct under the case rule
            node.description = text();
            node.unit = text();
            node.quantity = -1.5;
            bill.push_back(node);
        }
        loadListing(m_model, u"=TOP"_s, bill);
        const auto unguarded = [](const QString& cell) {
            if (!cell.isEmpty() && QStringView(u"=+-@\t\r").contains(cell.front()))
                return u"unguarded: "_s + cell; // compares unequal to every stored text
            return cell.startsWith(u'\'') ? cell.mid(1) : cell;
        };
        const QList<QStringList> indented =
            readCsv(exported(&shell::ExportCommands::exportIndented, u"g.csv"_s));
        const QList<QStringList> summary =
            readCsv(exported(&shell::ExportCommands::exportSummarised, u"h.csv"_s));
        QCOMPARE(indented.size(), 301);
        QCOMPARE(summary.size(), 301);
        for (int i = 0; i < 300; ++i) {
            const ListedRow& node = bill[size_t(i)];
            const QStringList& line = indented[i + 1];
            QCOMPARE(unguarded(line[1]), node.id);
            QCOMPARE(unguarded(line[2]), node.description);
            QCOMPARE(line[3], u"-1.5"_s);
            QCOMPARE(unguarded(line[4]), node.unit);
            QCOMPARE(unguarded(line[6]), u"=TOP"_s);
            QCOMPARE(line[7], u"quantity ≤ 0"_s);
            QCOMPARE(unguarded(summary[i + 1][0]), node.id);
            QCOMPARE(unguarded(summary[i + 1][1]), node.description);
            QCOMPARE(unguarded(summary[i + 1][3]), node.unit);
        }
    }

    void unexpandedAndProblemLinesSayWhy() {
        // C stands above itself (C uses U, which uses C); U and V are in no Item Master row.
        // Below the circular C the file shows nothing.
        std::vector<ListedRow> bill = nodes({{1, u"C", 1}, {2, u"U", 0}, {3, u"C", 2},
                                             {1, u"D", std::nullopt}, {1, u"V", 1}});
        bill[1].known = bill[4].known = false;
        loadListing(m_model, u"TOP"_s, bill);
        const QList<QStringList> indented =
            readCsv(exported(&shell::ExportCommands::exportIndented, u"n.csv"_s));
        QStringList notes;
        for (const QStringList& record : indented.mid(1))
            notes.append(record.value(1) + u':' + record.value(7));
        QCOMPARE(notes, (QStringList{u"C:"_s, u"U:not in Item Master; quantity ≤ 0"_s,
                                     u"C:circular"_s, u"D:no quantity"_s,
                                     u"V:not in Item Master"_s}));
        // The summary gathers each item's facts, each line once: C is used once, and once more
        // by the line that closes its cycle (0 × 2); U is needed 1 × 0. It runs parents first,
        // by low-level code: C and U stand on a cycle and have none, so they come last.
        const QList<QStringList> summary =
            readCsv(exported(&shell::ExportCommands::exportSummarised, u"m.csv"_s));
        QCOMPARE(summary.mid(1),
                 rows({u"D|||EA|no|no quantity"_s, u"V||1|EA|no|not in Item Master"_s,
                       u"C||1|EA|yes|circular"_s,
                       u"U||0|EA|yes|not in Item Master; quantity ≤ 0"_s}));
    }

    void largeBillsAskFirstAndCancelLeavesNoFile() {
        // Six levels of ten items, each using all ten of the next: 1,111,110 rows from 610
        // lines, past the million at which the export asks.
        QHash<QString, store::ComponentLines> lines;
        const auto id = [](int level, int i) { return u"E%1-%2"_s.arg(level).arg(i); };
        for (int level = 0; level < 6; ++level)
            for (int i = 0; i < (level == 0 ? 1 : 10); ++i)
                for (int c = 0; c < 10; ++c) {
                    store::ComponentLine line;
                    line.id = id(level + 1, c);
                    line.quantity = 1.0;
                    lines[store::foldKey(level == 0 ? u"TOP"_s : id(level, i))].append(line);
                }
        m_modelBill.load(u"TOP"_s, lines);
        QCOMPARE(m_model.structureRows(), qint64(1'111'110));
        const QString path = m_dir.filePath(u"big.csv"_s);
        m_desktop.messageAnswers = {desktop::ResultNo};
        m_desktop.saveAnswers = {path};
        m_commands.exportIndented();
        QVERIFY2(m_desktop.messageTexts().value(0).contains(QLocale().toString(1'111'110) + u" rows"_s),
                 qPrintable(m_desktop.messageTexts().value(0)));
        QCOMPARE(m_desktop.asked.size(), 1); // no save dialog after No
        // Yes, then Cancel in the progress window: nothing is written, and that is said.
        m_desktop.messageAnswers = {desktop::ResultYes};
        m_desktop.saveAnswers = {path};
        m_desktop.cancelProgressAfter = 3;
        m_commands.exportIndented();
        m_desktop.cancelProgressAfter = -1;
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(m_context.status(), u"Indented bill not written: cancelled."_s);
        QCOMPARE(QDir(m_dir.path()).entryList({u"big*"_s}, QDir::Files | QDir::Hidden), QStringList());
        // A print of some twenty thousand pages asks too; No prints nothing.
        m_desktop.asked.clear();
        m_desktop.messageAnswers = {desktop::ResultNo};
        m_commands.print();
        QVERIFY2(m_desktop.messageTexts().value(0).contains(QLocale().toString(20'577) + u" pages"_s),
                 qPrintable(m_desktop.messageTexts().value(0)));
        QCOMPARE(m_desktop.asked.size(), 1);
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

    void fullDiskNamesTheCauseAndLeavesNoFile() {
        loadListing(m_model, u"TOP"_s, longBill(3000));
        QTemporaryDir dir;
        const QString target = dir.filePath(u"full.csv"_s);
        m_desktop.saveAnswers = {target};
        m_context.showStatus({});
        {
            const FileSizeLimit full(64 * 1024);
            m_commands.exportIndented();
        }
        const QString message = m_desktop.messageTexts().value(0);
        QVERIFY2(message.startsWith(u"1201 "_s) &&
                     message.contains(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(message));
        QVERIFY(m_context.status().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

        // A pipe (standing in for /dev/full) is refused, not renamed over.
        QVERIFY(mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
        m_desktop.saveAnswers = {target};
        m_commands.exportIndented();
        QVERIFY2(m_desktop.messageTexts().value(1).contains(u"not a plain file"_s),
                 qPrintable(m_desktop.messageTexts().value(1)));
        QVERIFY(QFileInfo(target).exists() && !QFileInfo(target).isFile());
    }

    void titleBlockOnlyWhenAskedAndRemembered() {
        // Off unless asked (so that a script's first line stays the header); on, four lines
        // and a blank one above the header, in both files; the choice outlives the commands.
        const QString headers[] = {u"Level"_s, u"Item ID"_s};
        QTemporaryDir folder;
        QSettings settings(folder.filePath(u"settings.ini"_s), QSettings::IniFormat);
        for (const bool on : {false, true}) {
            shell::ExportCommands commands(m_context, nullptr, &settings);
            QCOMPARE(commands.titleBlockAction()->isChecked(), on); // as the last ones left it
            int file = 0;
            for (auto command : {&shell::ExportCommands::exportIndented,
                                 &shell::ExportCommands::exportSummarised}) {
                const QString path = m_dir.filePath(u"t%1.csv"_s.arg(file));
                m_desktop.saveAnswers = {path};
                (commands.*command)();
                const QByteArray bytes = contents(path);
                const QList<QStringList> records = readCsv(bytes);
                const int header = on ? 4 : 0;
                QCOMPARE(records.value(header).value(0), headers[file]);
                QVERIFY(records.size() > header + 3);
                // A blank line sets the block off from the header.
                QCOMPARE(bytes.contains("\r\n\r\n" + headers[file++].toUtf8()), on);
                if (on)
                    QCOMPARE(records.mid(0, 4),
                             (QList<QStringList>{{u"Item"_s, u"TOP"_s},
                                                 {u"Description"_s, u"Top assembly, “Ø 5”"_s},
                                                 {u"Database"_s, m_dir.filePath(u"bom.db"_s)},
                                                 {u"Date"_s, QDate::currentDate().toString(Qt::ISODate)}}));
            }
            commands.titleBlockAction()->setChecked(true);
        }
    }

    void windowOffersTheCommandsOnlyWithABill() {
        WindowFixture w({{u"TOP"_s, u"Top"_s, {}}, {u"A"_s, {}, {}}, {u"E"_s, {}, {}}},
                        {{u"TOP"_s, u"A"_s, 2.0}});
        auto* indented = w.window().findChild<QAction*>(u"Indented Bill (CSV)…"_s);
        auto* summary = w.window().findChild<QAction*>(u"Summarised Bill (CSV)…"_s);
        auto* print = w.window().findChild<QAction*>(u"Print…"_s);
        auto* preview = w.window().findChild<QAction*>(u"Print Preview…"_s);
        QVERIFY(indented && summary && print && preview);
        QVERIFY(!indented->isEnabled() && !summary->isEnabled() && !print->isEnabled() &&
                !preview->isEnabled());
        w.load(u"E"_s); // an item without components: nothing to export
        QVERIFY(!indented->isEnabled());
        w.load(u"TOP"_s);
        QVERIFY(indented->isEnabled() && summary->isEnabled() && print->isEnabled() &&
                preview->isEnabled());

        const QString path = QFileInfo(w.database).dir().filePath(u"out.csv"_s);
        w.desktop.saveAnswers = {path};
        indented->trigger();
        QCOMPARE(w.desktop.asked.last().defaultText,
                 QFileInfo(w.database).dir().filePath(u"TOP-indented.csv"_s));
        const QList<QStringList> records = readCsv(contents(path));
        QCOMPARE(records.size(), 2);
        QCOMPARE(records[1].mid(0, 2), (QStringList{u"1"_s, u"A"_s}));
        // The status panel names the file and the rows written.
        QCOMPARE(w.window().findChild<QLabel*>(u"StatusPanel1"_s)->text(),
                 u"Indented bill written to %1: 1 row."_s.arg(path));
    }
};

QTEST_MAIN(ExportTest)
#include "export_test.moc"
