// The printed bill, read back from the PDF file with pdftotext: the pages, their heading, the
// rows whole and in order; and the file appears whole or not at all.

#include "shell/ExportCommands.h"
#include "support/BillListing.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDesktop.h"
#include "tree/BillDocument.h"
#include "tree/BomEditor.h"
#include "tree/BomTreeModel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

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

/// The text of each page, in order.
QStringList pageTexts(const QString& pdf) {
    QStringList pages = run(tool("pdftotext"), {u"-layout"_s, pdf, u"-"_s}).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedDesktop m_desktop;
    tree::BomTreeModel m_model;
    QString m_status;
    shell::ExportCommands m_commands{m_desktop, m_model,
                                     [this] { return m_dir.filePath(u"bom.db"_s); },
                                     [] { return u"Top assembly, “Ø 5”"_s; },
                                     [this](const QString& text) { m_status = text; }};

private Q_SLOTS:
    void init() {
        m_desktop.asked.clear();
        m_desktop.printTarget.clear();
        m_desktop.cancelProgressAfter = -1;
        m_status.clear();
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
        QVERIFY(m_status.isEmpty());
        m_commands.print();
        // The dialog proposes the item's ID in the database's folder.
        QCOMPARE(m_desktop.asked.value(1).kind, u"print"_s);
        QCOMPARE(m_desktop.asked.value(1).defaultText, m_dir.filePath(u"TOP-ASSY.pdf"_s));
        QVERIFY(m_desktop.messages().isEmpty());

        const QString pdf = m_desktop.printedPdf;
        const int pages = pageCount(pdf);
        QVERIFY2(pages > 3, qPrintable(QString::number(pages)));
        QCOMPARE(m_status, u"Bill of material written to %1: %2 pages."_s.arg(pdf).arg(pages));
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
        QVERIFY(m_status.isEmpty());
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
        QVERIFY(m_status.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void realPreviewDialogShowsEveryPage() {
        // Qt's own preview dialog, closed once it has shown its pages.
        loadListing(m_model, u"TOP"_s, bill(300, [](int i) { return 1 + i % 3; }));
        tree::BillDocument document(tree::indentedBill(m_model.structure(), tree::DefaultDepthLimit),
                                    {u"TOP"_s, {}, {}, QDate()});
        int shown = -1;
        QTimer::singleShot(0, [&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(window)) {
                    if (auto* widget = dialog->findChild<QPrintPreviewWidget*>())
                        shown = widget->pageCount();
                    dialog->reject();
                }
        });
        const desktop::PrintOutcome outcome =
            m_desktop.desktop::QtDesktop::printPreview(u"Preview"_s, document, {});
        QCOMPARE(outcome.result, desktop::PrintResult::Cancelled);
        QVERIFY(shown > 1);
        QCOMPARE(shown, document.pageCount());
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
