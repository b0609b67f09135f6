// The printed bill, read back from the PDF file with pdftotext: the pages, their heading, the
// rows whole and in order; and the file appears whole or not at all.

#include "shell/export/ExportCommands.h"
#include "support/BillListing.h"
#include "support/ExportContext.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDesktop.h"
#include "support/WindowFixture.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/reports/PrintedBill.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QLabel>
#include <QPageRanges>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

/// `count` rows in tree order, named ROW-00001 …, each `levelOf(i)` levels down (1 or one
/// below the level of the row before it, at most).
std::vector<ListedRow> bill(int count, const std::function<int(int)>& levelOf) {
    std::vector<ListedRow> rows;
    int previous = 0;
    for (int i = 0; i < count; ++i) {
        const int level = std::min(levelOf(i), previous + 1);
        rows.push_back({level, u"ROW-%1"_s.arg(i, 5, 10, QChar(u'0')), 2.5, u"Bracket %1"_s.arg(i)});
        previous = level;
    }
    return rows;
}

QString tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
    const auto match =
        QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(run(tool("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

/// The text of each page, in order, as typed: the font's ligatures (a path's "fi" or "fl"
/// printed as one glyph, read back as U+FB01) are the letters they join.
QStringList pageTexts(const QString& pdf) {
    QStringList pages = run(tool("pdftotext"), {u"-layout"_s, pdf, u"-"_s})
                            .normalized(QString::NormalizationForm_KC)
                            .split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// A document that notes the pages it paints.
class PaintedPages : public desktop::PagedDocument {
public:
    explicit PaintedPages(desktop::PagedDocument& document) : m_document(document) {}
    int paginate(QPagedPaintDevice& device) override { return m_document.paginate(device); }
    void paintPage(QPainter& painter, int page) override {
        painted.append(page);
        m_document.paintPage(painter, page);
    }
    /// Each page painted, once, in page order.
    QList<int> pagesPainted() const {
        QList<int> pages = painted;
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        return pages;
    }
    QList<int> painted;

private:
    desktop::PagedDocument& m_document;
};

/// The PDF file's own title, as a reader's title bar shows it.
QString pdfTitle(const QString& pdf) {
    const auto match =
        QRegularExpression(u"^Title:\\s+(.*)$"_s, QRegularExpression::MultilineOption)
            .match(run(tool("pdfinfo"), {pdf}));
    return match.captured(1).trimmed();
}

/// What the preview says of the page count, beside the page number ("/ 12").
QString pageCountShown(const QDialog& dialog) {
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->isVisible() && QRegularExpression(u"^/ \\d+$"_s).match(label->text()).hasMatch())
            return label->text();
    return {};
}

/// Whether the preview shows anything printed: dark pixels in the middle of the window.
bool inkOn(QDialog& dialog) {
    const QImage shot = dialog.grab().toImage();
    const QRect middle(shot.width() / 4, shot.height() / 4, shot.width() / 2, shot.height() / 2);
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 64)
                return true;
    return false;
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedDesktop m_desktop;
    tree::BomDocument m_modelBill;
    tree::BomTreeModel m_model{m_modelBill};
    ExportContext m_context{m_desktop, m_model, m_dir.filePath(u"bom.db"_s),
                            u"Top assembly, “Ø 5”"_s};
    shell::ExportCommands m_commands{m_context};

    /// The real preview of `document` (its print dialog scripted), `look` run with its window
    /// once that shows and has painted; closed after it unless `look` closed it.
    desktop::PrintOutcome runPreview(desktop::PagedDocument& document,
                                     const std::function<void(QDialog&)>& look) {
        bool looked = false;
        QTimer timer;
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (looked || !dialog || !dialog->isVisible())
                return;
            looked = true;
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            dialog->repaint();
            look(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer.start();
        const desktop::PrintOutcome outcome =
            m_desktop.desktop::QtDesktop::printPreview(u"Preview"_s, document, {});
        [&] { QVERIFY(looked); }();
        return outcome;
    }

private Q_SLOTS:
    void init() {
        m_desktop.asked.clear();
        m_desktop.printTarget.clear();
        m_desktop.cancelProgressAfter = -1;
        m_context.showStatus({});
        if (tool("pdftotext").isEmpty() || tool("pdfinfo").isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
    }

    void everyPageRepeatsTheHeadingAndKeepsItsRowsWhole() {
        // 400 lines down to 20 levels; one ID far longer than the others, which must print whole.
        std::vector<ListedRow> nodes = bill(400, [](int i) { return 1 + i % 20; });
        const QString longId = u"LONG-"_s + u"0123456789"_s.repeated(7) + u"-END"_s;
        nodes[57].id = longId;
        loadListing(m_model, u"TOP-ASSY"_s, nodes);

        m_desktop.printAnswers = {false, true};
        m_commands.print(); // cancelled: nothing is written, nothing is said
        QVERIFY(m_desktop.printedPdf.isEmpty());
        QVERIFY(m_context.status().isEmpty());
        m_commands.print();
        // The dialog proposes the item's ID in the database's folder.
        QCOMPARE(m_desktop.asked.value(1).kind, u"print"_s);
        QCOMPARE(m_desktop.asked.value(1).defaultText, m_dir.filePath(u"TOP-ASSY.pdf"_s));
        QVERIFY(m_desktop.messages().isEmpty());

        const QString pdf = m_desktop.printedPdf;
        const int pages = pageCount(pdf);
        QVERIFY2(pages > 3, qPrintable(QString::number(pages)));
        QCOMPARE(m_context.status(), u"Bill of material written to %1: %2 pages."_s.arg(pdf).arg(pages));
        const QStringList texts = pageTexts(pdf);
        QCOMPARE(texts.size(), pages);
        int next = 0; // the row expected next, in tree order
        for (int page = 0; page < pages; ++page) {
            const QString& text = texts[page];
            for (const QString& part :
                 {u"Bill of Material: TOP-ASSY"_s, u"Top assembly, “Ø 5”"_s,
                  u"Database: %1"_s.arg(m_dir.filePath(u"bom.db"_s)),
                  QLocale().toString(QDate::currentDate(), QLocale::LongFormat), u"Level"_s,
                  u"Item ID"_s, u"Description"_s, u"Extended Quantity"_s,
                  u"Page %1 of %2"_s.arg(page + 1).arg(pages)})
                QVERIFY2(text.contains(part), qPrintable(u"page %1: %2"_s.arg(page + 1).arg(part)));
            // Each row once, whole, on one line of one page, in order.
            const QStringList lines = text.split(u'\n');
            int onPage = 0;
            for (const QString& line : lines) {
                const QString id = next == 57 ? longId : nodes[size_t(next)].id;
                if (next < 400 && line.contains(id)) {
                    QVERIFY2(line.contains(u"2.5 EA"_s) && (next == 57 || line.contains(u"Bracket %1 "_s.arg(next))),
                             qPrintable(line));
                    ++next;
                    ++onPage;
                }
            }
            QVERIFY(onPage > 0);
        }
        QCOMPARE(next, 400);
    }

    void problemLinesAreMarkedInWords() {
        std::vector<ListedRow> nodes = bill(6, [](int i) { return i == 1 ? 2 : 1; });
        nodes[1].id = u"TOP"_s; // the loaded item inside its own bill
        nodes[2].quantity = 0;
        nodes[3].known = false;
        nodes[4].quantity = std::nullopt;
        nodes[5].quantity = -1;
        loadListing(m_model, u"TOP"_s, nodes);
        m_desktop.printAnswers = {true};
        m_commands.print();
        const QStringList lines = pageTexts(m_desktop.printedPdf).value(0).split(u'\n');
        const auto lineOf = [&](int row) {
            for (const QString& line : lines)
                if (line.contains(nodes[size_t(row)].id + u' '))
                    return line.simplified();
            return QString();
        };
        QVERIFY2(lineOf(0).endsWith(u"Bracket 0 2.5 EA 2.5"_s), qPrintable(lineOf(0)));
        QVERIFY2(lineOf(1).endsWith(u"circular"_s), qPrintable(lineOf(1)));
        QVERIFY(lineOf(2).endsWith(u"quantity ≤ 0"_s));
        QVERIFY(lineOf(3).endsWith(u"not in Item Master"_s));
        QVERIFY(lineOf(4).endsWith(u"no quantity"_s));
        QVERIFY(lineOf(5).endsWith(u"quantity ≤ 0"_s));
    }

    void failedPrintNamesTheCauseAndKeepsThePreviousFile_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("full disk") << u"full"_s;
        QTest::newRow("read-only folder") << u"read-only"_s;
        QTest::newRow("folder is a file") << u"file"_s;
        QTest::newRow("a pipe") << u"pipe"_s;
    }
    void failedPrintNamesTheCauseAndKeepsThePreviousFile() {
        QFETCH(QString, where);
        if (where == u"read-only"_s && geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
        loadListing(m_model, u"TOP"_s, bill(3000, [](int) { return 1; }));
        QTemporaryDir dir;
        QString target = dir.filePath(u"TOP.pdf"_s);
        {
            QFile previous(target);
            QVERIFY(previous.open(QIODevice::WriteOnly));
            previous.write("the previous print");
        }
        QString cause;
        if (where == u"pipe"_s) {
            // Renamed over, a device or pipe would be gone; the pipe stands in for /dev/full.
            QFile::remove(target);
            QVERIFY(mkfifo(QFile::encodeName(target).constData(), 0600) == 0);
            cause = u"not a plain file"_s;
        } else if (where == u"file"_s) {
            target += u"/TOP.pdf"_s;
            cause = QString::fromLocal8Bit(std::strerror(ENOTDIR));
        } else if (where == u"read-only"_s) {
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
            cause = QString::fromLocal8Bit(std::strerror(EACCES));
        } else {
            cause = QString::fromLocal8Bit(std::strerror(EFBIG));
        }
        m_desktop.printTarget = target;
        m_desktop.printAnswers = {true};
        {
            const FileSizeLimit limit(where == u"full"_s ? 100 * 1024 : RLIM_INFINITY);
            m_commands.print();
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString message = m_desktop.messageTexts().value(0);
        QVERIFY2(message.startsWith(u"1202 "_s) && message.contains(target) &&
                     message.contains(cause),
                 qPrintable(message));
        QVERIFY(m_context.status().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{u"TOP.pdf"_s});
        if (where == u"pipe"_s)
            QVERIFY(!QFileInfo(target).isFile());
        else
            QCOMPARE(contents(dir.filePath(u"TOP.pdf"_s)), QByteArray("the previous print"));
    }

    void cancelledPrintWritesNothing() {
        loadListing(m_model, u"TOP"_s, bill(2000, [](int) { return 1; }));
        QTemporaryDir dir;
        m_desktop.printTarget = dir.filePath(u"TOP.pdf"_s);
        m_desktop.printAnswers = {true};
        m_desktop.cancelProgressAfter = 2;
        m_commands.print();
        QCOMPARE(m_desktop.progressReports, 3);
        QVERIFY(m_desktop.messages().isEmpty());
        QVERIFY(m_context.status().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void previewNeverShowsPartOfTheBill() {
        // However the work around it is stopped, the preview offers the pages the footers
        // count, never the first few of them.
        loadListing(m_model, u"TOP"_s, bill(300, [](int i) { return 1 + i % 3; }));
        tree::PrintedBill document(tree::indentedBill(m_model.structure(), tree::DefaultDepthLimit),
                                    {u"TOP"_s, {}, {}, QDate()});
        m_desktop.cancelProgressAfter = 2;
        QString count;
        const desktop::PrintOutcome outcome = runPreview(document, [&](QDialog& dialog) {
            count = pageCountShown(dialog);
        });
        QCOMPARE(outcome.result, desktop::PrintResult::Cancelled);
        QVERIFY(document.pageCount() > 3);
        QCOMPARE(count, u"/ %1"_s.arg(document.pageCount()));
    }

    void previewPaintsThePagesLookedAtAndPrintsThemAll() {
        loadListing(m_model, u"TOP"_s, bill(3000, [](int i) { return 1 + i % 3; }));
        tree::PrintedBill bill(tree::indentedBill(m_model.structure(), tree::DefaultDepthLimit),
                                {u"TOP"_s, {}, {}, QDate()});
        PaintedPages document(bill);
        m_desktop.printAnswers = {false, true};
        int pages = 0;
        const desktop::PrintOutcome outcome = runPreview(document, [&](QDialog& dialog) {
            pages = bill.pageCount();
            QCOMPARE(pageCountShown(dialog), u"/ %1"_s.arg(pages));
            // Opened: the first page and no other.
            QCOMPARE(document.pagesPainted(), QList<int>{1});
            QVERIFY(inkOn(dialog));
            const auto press = [&](const QString& name) {
                auto* action = dialog.findChild<QAction*>(name);
                QVERIFY2(action, qPrintable(name));
                action->trigger();
                dialog.repaint();
            };
            press(u"Last Page"_s);
            press(u"Previous Page"_s);
            QCOMPARE(document.pagesPainted(), (QList<int>{1, pages - 1, pages}));
            QVERIFY(inkOn(dialog));
            // Print… with its dialog cancelled: the preview stays, on its page, laid out anew.
            document.painted.clear();
            press(u"Print…"_s);
            QVERIFY(dialog.isVisible());
            QCOMPARE(document.pagesPainted(), QList<int>{pages - 1});
            press(u"Print…"_s);
            QVERIFY(!dialog.isVisible());
        });
        // Print… asks the print dialog, as File ▸ Print does: once cancelled, once printed.
        QCOMPARE(m_desktop.asked.value(0).kind, u"print"_s);
        QCOMPARE(m_desktop.asked.value(1).kind, u"print"_s);
        QCOMPARE(outcome.result, desktop::PrintResult::Printed);
        QVERIFY(pages > 50);
        QCOMPARE(outcome.pages, pages);
        QCOMPARE(pageCount(m_desktop.printedPdf), pages);
        const QStringList texts = pageTexts(m_desktop.printedPdf);
        QVERIFY(texts.value(0).contains(u"Page 1 of %1"_s.arg(pages)));
        QVERIFY(texts.value(pages - 1).contains(u"Page %1 of %1"_s.arg(pages)));
        QVERIFY(texts.value(pages - 1).contains(u"ROW-02999"_s));
    }

    void eachKindPrintsItsOwnPagesAndTheRangeAsked() {
        // TOP uses SUB and 130 parts; SUB uses P-000 too. Current node: P-000 under SUB.
        std::vector<ItemRow> items{{u"TOP"_s, u"Top assembly"_s, u"EA"_s},
                                   {u"SUB"_s, u"Sub-assembly"_s, u"EA"_s}};
        std::vector<Line> lines{{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"P-000"_s, 3.0}};
        for (int i = 0; i < 130; ++i) {
            const QString part = u"P-%1"_s.arg(i, 3, 10, QChar(u'0'));
            items.push_back({part, u"Part %1"_s.arg(i), u"PC"_s});
            lines.push_back({u"TOP"_s, part, 1.0});
        }
        WindowFixture w(items, lines);
        w.load(u"TOP"_s);
        w.click(w.node(u"SUB/P-000"_s));
        auto* print = w.window().findChild<QAction*>(u"Print…"_s);
        const auto printed = [&](int choice, QPageRanges pages = {}) {
            w.desktop.printAnswers = {true};
            w.desktop.printChoice = choice;
            w.desktop.printPages = pages;
            print->trigger();
            return w.desktop.printedPdf;
        };
        QCOMPARE(w.desktop.printChoices.size(), 0);

        // The indented bill: 133 rows over several pages; the PDF's title names the item.
        const QString indented = printed(0);
        QCOMPARE(w.desktop.printChoices,
                 (QStringList{u"&Indented bill"_s, u"&Summarised bill"_s,
                              u"&Where Used list of P-000"_s}));
        const int pages = pageCount(indented);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QCOMPARE(pdfTitle(indented), u"TOP \u2013 Top assembly"_s);
        QVERIFY(pageTexts(indented).value(0).contains(u"Bill of Material: TOP"_s));

        // Pages 2 and the last, out of the same count: only they are printed, their footers
        // as in the whole print.
        QPageRanges two;
        two.addPage(2);
        two.addPage(pages);
        const QStringList some = pageTexts(printed(0, two));
        QCOMPARE(some.size(), 2);
        QVERIFY(some[0].contains(u"Page 2 of %1"_s.arg(pages)));
        QVERIFY(some[1].contains(u"Page %1 of %1"_s.arg(pages)));
        QVERIFY(some[1].contains(u"P-129"_s));
        // A range past the last page prints nothing, and says so.
        QPageRanges past;
        past.addRange(pages + 1, pages + 3);
        printed(0, past);
        QVERIFY2(w.desktop.messageTexts().value(0).startsWith(u"1202 "_s),
                 qPrintable(w.desktop.messageTexts().value(0)));
        w.desktop.asked.clear();

        // The summarised bill: each item once (P-000 with 2 × 3 + 1 = 7), no Level column.
        const QString summary = printed(1);
        const QStringList summaryPages = pageTexts(summary);
        QCOMPARE(pdfTitle(summary), u"Summarised Bill: TOP \u2013 Top assembly"_s);
        QVERIFY(summaryPages.value(0).contains(u"Summarised Bill: TOP"_s));
        QVERIFY(summaryPages.value(0).contains(u"Has Bill"_s));
        QVERIFY(!summaryPages.value(0).contains(u"Level"_s));
        int p000 = 0;
        for (const QString& page : summaryPages)
            for (const QString& line : page.split(u'\n'))
                if (line.contains(u"P-000 "_s)) {
                    ++p000;
                    QVERIFY2(line.simplified().contains(u"Part 0 7 PC no"_s), qPrintable(line));
                }
        QCOMPARE(p000, 1);
        QCOMPARE(pageCount(summary), pages); // 131 items, two rows fewer than the bill

        // Where Used of the current node's item: SUB, and TOP with 1 + 2 × 3, one page.
        const QString used = printed(2);
        QCOMPARE(pdfTitle(used), u"Where Used: P-000 \u2013 Part 0"_s);
        QCOMPARE(w.status(), u"Where Used list written to %1: 1 page."_s.arg(used));
        const QString usedText = pageTexts(used).value(0);
        QVERIFY(usedText.contains(u"Where Used: P-000"_s));
        QVERIFY(usedText.contains(u"Assembly"_s));
        QVERIFY2(QRegularExpression(u"\\n\\s*1\\s+SUB\\s+Sub-assembly\\s+3\\s+PC"_s).match(usedText).hasMatch(),
                 qPrintable(usedText));
        QVERIFY2(QRegularExpression(u"\\n\\s*1\\s+TOP\\s+Top assembly\\s+7\\s+PC"_s).match(usedText).hasMatch(),
                 qPrintable(usedText));
        QCOMPARE(pageCount(used), 1);

        // The last choice printed is the one proposed next time.
        QVERIFY(pageTexts(printed(-1)).value(0).contains(u"Where Used: P-000"_s));
        QCOMPARE(w.desktop.messageTexts(), QStringList());
    }

    void previewShowsThePagesThatPrint() {
        loadListing(m_model, u"TOP"_s, bill(500, [](int i) { return 1 + i % 3; }));
        m_desktop.printAnswers = {true};
        m_commands.printPreview();
        QCOMPARE(m_desktop.asked.value(0).kind, u"preview"_s);
        QCOMPARE(m_desktop.previewPages, pageCount(m_desktop.printedPdf));
        QVERIFY(m_desktop.previewPages > 1);
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
