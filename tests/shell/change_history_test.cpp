// Tools ▸ Change History… in the window over a history log of the test's own: the texts of
// its columns, the query its scope and filters make, hostile texts shown as text, a failure
// as a numbered message, and the exports' guard.

#include "shell/history/ChangeHistoryDialog.h"
#include "shell/history/HistoryCommands.h"
#include "store/StoreError.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/// A history that answers with the changes it was given and keeps the last query asked.
struct FakeHistory {
    std::vector<store::ChangeRecord> changes;
    std::optional<store::HistoryQuery> asked;
    std::optional<store::StoreError> failure;

    class Log : public store::HistoryLog {
    public:
        explicit Log(FakeHistory& history) : m_history(history) {}
        std::vector<store::ChangeRecord> changes(const store::HistoryQuery& query) override {
            m_history.asked = query;
            return m_history.changes;
        }
        store::LinesAsOf linesAsOf(const QString&, const QDateTime&) override { return {}; }
        qint64 changeCount() override { return 1234; }
        QDateTime keptSince() override { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }
        qint64 forgetBefore(const QDateTime&, const store::ReadProgress&) override { return 0; }

    private:
        FakeHistory& m_history;
    };

    void attach(WindowFixture& w) {
        w.window().findChild<shell::HistoryCommands*>()->setOpener(
            [this](const QString&) -> std::unique_ptr<store::HistoryLog> {
                if (failure)
                    throw *failure;
                return std::make_unique<Log>(*this);
            });
    }
};

const QDateTime When(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC);

store::ChangeRecord lineChange(const QString& assembly, const QString& component) {
    store::ChangeRecord change;
    change.changeSet = 7;
    change.time = When;
    change.person = u"ann"_s;
    change.host = u"desk-4"_s;
    change.source = store::ChangeSource::ThisEditor;
    change.command = u"Delete SUB from TOP"_s;
    change.reason = u"obsolete"_s;
    change.table = store::schema::BomDetail;
    change.key = assembly;
    change.component = component;
    change.before = {true, 2.5, u"2024-01-01 00:00:00"_s, {}, {}};
    change.keyDescription = u"Top"_s;
    change.componentDescription = QString();
    return change;
}

/// Every listed row, its cells joined by '|'.
QStringList listed(QTableView& table) {
    QStringList rows;
    const QAbstractItemModel& model = *table.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells.append(model.index(row, column).data().toString());
        rows.append(cells.join(u'|'));
    }
    return rows;
}

QString local(const QDateTime& moment) {
    return moment.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
}

} // namespace

class ChangeHistoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsChangesOfEachScopeWithTheirFilters() {
        WindowFixture w(
            {{u"TOP"_s, u"Top"_s, u"EA"_s},
             {u"SUB"_s, u"Sub"_s, u"EA"_s},
             {u"BOLT"_s, u"Bolt"_s, u"PC"_s},
             {u"OTHER"_s, u"Other"_s, u"EA"_s}},
            {{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"BOLT"_s, 4.0}, {u"OTHER"_s, u"BOLT"_s, 1.0}});
        FakeHistory history;
        history.attach(w);
        store::ChangeRecord found = lineChange(u"SUB"_s, u"BOLT"_s);
        found.notBefore = When.addSecs(-3600);
        found.source = store::ChangeSource::AnotherProgram;
        found.host.clear();
        found.command.clear();
        found.reason.clear();
        found.before = {true, QVariant(), QVariant(), {}, {}};
        found.after = {true, u"n/a"_s, u"2024-02-03 00:00:00"_s, {}, {}};
        found.keyDescription.reset();
        store::ChangeRecord item;
        item.time = When.addDays(-1);
        item.person = u"bob"_s;
        item.source = store::ChangeSource::Restore;
        item.table = store::schema::ItemMaster;
        item.key = u"BOLT"_s;
        item.before = {true, {}, {}, std::nullopt, u"EA"_s};
        item.after = {true, {}, {}, u"Bolt M6"_s, u"PC"_s};
        history.changes = {lineChange(u"TOP"_s, u"SUB"_s), found, item};
        w.load(u"TOP"_s);

        w.window().findChild<QAction*>(u"mnuChangeHistory"_s)->trigger();
        auto* dialog = w.window().findChild<shell::ChangeHistoryDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        // The loaded bill: the assemblies whose bill it holds, none of another bill's.
        QVERIFY(history.asked);
        QStringList assemblies = history.asked->assemblies;
        assemblies.sort();
        QVERIFY2(assemblies.contains(u"TOP"_s) && assemblies.contains(u"SUB"_s) &&
                     !assemblies.contains(u"OTHER"_s),
                 qPrintable(assemblies.join(u',')));
        QVERIFY(history.asked->component.isEmpty() && !history.asked->since &&
                !history.asked->source && history.asked->person.isEmpty());
        QCOMPARE(
            listed(*dialog->findChild<QTableView*>(u"historyTable"_s)),
            (QStringList{local(When) + u"|ann@desk-4|this editor|Delete SUB from TOP|obsolete|line|"
                                       u"TOP (Top)|SUB|2.5, from "
                                       u"2024-01-01 00:00:00|—"_s,
                         u"between "_s + local(When.addSecs(-3600)) + u" and "_s + local(When) +
                             u"|ann|another program|||line|SUB|BOLT|"
                             u"no quantity|n/a, from 2024-02-03 00:00:00"_s,
                         local(When.addDays(-1)) + u"|bob|restore|||item|BOLT||(no description on "
                                                   u"file), EA|Bolt M6, PC"_s}));
        QCOMPARE(dialog->findChild<QLabel*>(u"historySize"_s)->text(),
                 u"3 changes listed; the history keeps "_s + QLocale().toString(1234) +
                     u" since "_s + local(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))) + u"."_s);

        // The filters go into the query as they stand.
        auto* since = dialog->findChild<QDateTimeEdit*>(u"historySince"_s);
        since->setDateTime(QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
        dialog->findChild<QLineEdit*>(u"historyPerson"_s)->setText(u" ann "_s);
        dialog->findChild<QComboBox*>(u"historySource"_s)->setCurrentIndex(3);
        dialog->findChild<QLineEdit*>(u"historyItem"_s)->setText(u"BOLT"_s);
        dialog->findChild<QPushButton*>(u"historyShow"_s)->click();
        QCOMPARE(history.asked->since, QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
        QVERIFY(!history.asked->until);
        QCOMPARE(history.asked->person, u"ann"_s);
        QCOMPARE(history.asked->source, store::ChangeSource::AnotherProgram);
        QCOMPARE(history.asked->item, u"BOLT"_s);

        // One line: the node's parent is its assembly.
        w.window().findChild<shell::HistoryCommands*>()->openLine(w.node(u"SUB/BOLT"_s));
        QCOMPARE(history.asked->assemblies, QStringList{u"SUB"_s});
        QCOMPARE(history.asked->component, u"BOLT"_s);
        QCOMPARE(history.asked->item, u"BOLT"_s); // the filters stay
        // The whole database: no assembly named.
        dialog->setScope(shell::ChangeHistoryDialog::WholeDatabase);
        dialog->findChild<QPushButton*>(u"historyShow"_s)->click();
        QVERIFY(history.asked->assemblies.isEmpty() && history.asked->component.isEmpty());

        // A history that cannot be read is a numbered message; the list stays as it was.
        history.failure = store::StoreError(store::HistoryNotKept, u"No history is kept."_s);
        dialog->findChild<QPushButton*>(u"historyShow"_s)->click();
        QCOMPARE(w.desktop.messageTexts(), QStringList{u"1404 No history is kept."_s});
        QCOMPARE(dialog->findChild<QTableView*>(u"historyTable"_s)->model()->rowCount(), 3);
        // Esc closes the window.
        QTest::keyClick(dialog->findChild<QTableView*>(u"historyTable"_s), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
    }

    void showsHostileTextsAsTextAndGuardsTheExports() {
        const QString markup = u"<img src=q>P"_s; // no slash: w.node takes paths
        const QString formula = u"=HYPERLINK(\"http://x\",\"y\")"_s;
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {markup, u"Knob"_s, u"EA"_s}},
                        {{u"TOP"_s, markup, 1.0}});
        FakeHistory history;
        history.attach(w);
        store::ChangeRecord change = lineChange(formula, markup);
        change.reason = u"line\nbreak \x01 <i>x</i>"_s;
        history.changes = {change};
        w.load(u"TOP"_s);
        w.window().findChild<shell::HistoryCommands*>()->openLine(w.node(markup));
        auto* dialog = w.window().findChild<shell::ChangeHistoryDialog*>();
        auto* heading = dialog->findChild<QLabel*>(u"historyHeading"_s);
        QCOMPARE(heading->textFormat(), Qt::PlainText);
        QVERIFY(heading->text().contains(markup));
        QCOMPARE(dialog->findChild<QLabel*>(u"historySize"_s)->textFormat(), Qt::PlainText);
        const QAbstractItemModel& model =
            *dialog->findChild<QTableView*>(u"historyTable"_s)->model();
        QCOMPARE(model.index(0, 4).data().toString(), change.reason);
        QCOMPARE(model.index(0, 6).data().toString(), formula + u" (Top)"_s);
        QVERIFY(!model.index(0, 4).data(Qt::ToolTipRole).isValid());

        // CSV: the formula-like ID starts with an apostrophe, as in the bill's exports.
        const QString csv = w.folder() + u"/history.csv"_s;
        w.desktop.saveAnswers = {csv};
        dialog->findChild<QPushButton*>(u"historyExportCsv"_s)->click();
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.startsWith("Time,Who,Source,Command,Reason,Table,Assembly,Component,"
                                   "Before,After\r\n"));
        QVERIFY2(written.contains(",\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\") (Top)\","),
                 written.constData());
        QVERIFY(w.status().contains(u"1 row"_s));

        // Excel: a string cell, never a formula.
        const QString xlsx = w.folder() + u"/history.xlsx"_s;
        w.desktop.saveAnswers = {xlsx};
        dialog->findChild<QPushButton*>(u"historyExportXlsx"_s)->click();
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        QProcess unzip;
        unzip.start(u"unzip"_s, {u"-p"_s, xlsx, u"xl/worksheets/sheet1.xml"_s});
        if (!unzip.waitForFinished(30'000))
            QSKIP("unzip is not installed");
        const QByteArray sheet = unzip.readAllStandardOutput();
        QVERIFY(sheet.contains("<t>=HYPERLINK(\"http://x\",\"y\") (Top)</t>"));
        QVERIFY(!sheet.contains("<f>"));
    }

    void bomImportPrintsTheChangesOfAFileAsCsv() {
        QTemporaryDir dir;
        const QString db = dir.filePath(u"bom.db"_s);
        writeDatabase(db, {{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"SUB"_s, u"Sub"_s, u"EA"_s}},
                      {{u"TOP"_s, u"SUB"_s, 2.0}});
        const auto history = [&](const QStringList& options) {
            QProcess program;
            program.start(QStringLiteral(BOM_IMPORT_PROGRAM),
                          QStringList{u"--history"_s, db} + options);
            program.waitForFinished(60'000);
            const QByteArray errors = program.readAllStandardError();
            return std::pair(program.exitCode() == 0 && errors.isEmpty()
                                 ? program.readAllStandardOutput()
                                 : errors,
                             program.exitCode());
        };
        const QByteArray header =
            "Time,Who,Source,Command,Reason,Table,Assembly,Component,Before,After\r\n";
        // The first look starts the history with the rows as they are: nothing has changed.
        QCOMPARE(history({}), std::pair(header, 0));
        // Another program changes a line and adds an item with a formula-like ID.
        execOn(db, {u"UPDATE BomDetail SET bomQtyReq = 3 WHERE BomID = 'TOP'"_s,
                    u"INSERT INTO ItemMaster VALUES ('=X', NULL, 'PC')"_s});
        const auto [csv, status] = history({});
        QCOMPARE(status, 0);
        QVERIFY2(csv.startsWith(header), csv.constData());
        QStringList records =
            QString::fromUtf8(csv.mid(header.size())).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(records.size(), 2);
        // Found afterwards: between the last look and this one, in UTC.
        static const QRegularExpression found(
            u"^between \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ and \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ,[^,]*,"_s);
        for (QString& record : records) {
            QVERIFY2(found.match(record).hasMatch(), qPrintable(record));
            record.remove(found);
        }
        records.sort();
        QCOMPARE(records,
                 (QStringList{u"another program,,,item,'=X,,—,\"(no description on file), PC\""_s,
                              u"another program,,,line,TOP (Top),SUB (Sub),\"2, from 1996-01-01 "
                              u"00:00:00\",\"3, from 1996-01-01 00:00:00\""_s}));
        // --item and --since narrow the list.
        QCOMPARE(history({u"--item"_s, u"sub"_s}).first.count("\r\n"), 2);
        QCOMPARE(history({u"--since"_s, QDate::currentDate().addDays(1).toString(Qt::ISODate)}),
                 std::pair(header, 0));
        QCOMPARE(history({u"--since"_s, u"yesterday"_s}).second, 1);
        // The time of day counts: an hour from now is after every change, today's date not.
        QCOMPARE(history({u"--since"_s,
                          QDateTime::currentDateTimeUtc().addSecs(3600).toString(Qt::ISODate)}),
                 std::pair(header, 0));
        QCOMPARE(history({u"--since"_s, QDate::currentDate().toString(Qt::ISODate)})
                     .first.count("\r\n"),
                 history({}).first.count("\r\n"));
    }
};

QTEST_MAIN(ChangeHistoryTest)
#include "change_history_test.moc"
