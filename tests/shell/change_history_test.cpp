// Tools ▸ Change History… in the window over a history log of the test's own: the texts of
// its columns, the query its scope and filters make, hostile texts shown as text, a failure
// as a numbered message, and the exports' guard.

#include "shell/compare/CompareDialog.h"
#include "shell/history/AsOfView.h"
#include "shell/history/ChangeHistoryDialog.h"
#include "shell/history/RestoreDialog.h"
#include "shell/history/HistoryCommands.h"
#include "import/CsvReader.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QTreeView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

/// A history that answers with the changes it was given and keeps the last query asked.
struct FakeHistory {
    std::vector<store::ChangeRecord> changes;
    std::optional<store::HistoryQuery> asked;
    std::optional<store::StoreError> failure;
    store::LinesAsOf lines;             ///< what "as of" any moment answers
    std::optional<QDateTime> askedAsOf; ///< the moment "as of" was asked for last

    class Log : public store::HistoryLog {
    public:
        explicit Log(FakeHistory& history) : m_history(history) {}
        std::vector<store::ChangeRecord> changes(const store::HistoryQuery& query) override {
            m_history.asked = query;
            return m_history.changes;
        }
        store::LinesAsOf linesAsOf(const QString&, const QDateTime& moment) override {
            m_history.askedAsOf = moment;
            return m_history.lines;
        }
        qint64 changeCount() override { return 1234; }
        QDateTime keptSince() override { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }
        qint64 forgetBefore(const QDateTime&, const store::ReadProgress&) override { return 0; }

    private:
        FakeHistory& m_history;
    };

    void attach(WindowFixture& w) {
        const auto open = [this](const QString&) -> std::unique_ptr<store::HistoryLog> {
            if (failure)
                throw *failure;
            return std::make_unique<Log>(*this);
        };
        w.window().findChild<shell::HistoryCommands*>()->setOpener(open);
        w.window().findChild<shell::AsOfCommands*>()->setOpener(open);
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

/// A change's time as its line shows it, on another day than today.
QString minute(const QDateTime& moment) {
    return moment.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
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
        // One line a change; every field of the current one in the pane below.
        auto* table = dialog->findChild<QTableView*>(u"historyTable"_s);
        QCOMPARE(listed(*table),
                 (QStringList{minute(When) + u" · ann@desk-4 · Delete SUB from TOP · TOP › SUB "
                                             u"2.5 → —"_s,
                              u"found "_s + minute(When) +
                                  u" · ann · another program · SUB › BOLT no quantity → n/a, "
                                  u"from 2024-02-03 00:00:00"_s,
                              minute(When.addDays(-1)) +
                                  u" · bob · restore · BOLT (no description on file), EA → "
                                  u"Bolt M6, PC"_s}));
        auto* details = dialog->findChild<QPlainTextEdit*>(u"historyDetails"_s);
        QCOMPARE(details->toPlainText(),
                 u"Time: "_s + local(When) +
                     u"\nWho: ann@desk-4\nSource: this editor\nCommand: Delete SUB from TOP\n"
                     u"Reason: obsolete\nChange set: 7\nAssembly: TOP (Top)\nComponent: SUB\n"
                     u"Before: 2.5, from 2024-01-01 00:00:00\nAfter: —"_s);
        table->setCurrentIndex(table->model()->index(1, 0));
        QVERIFY2(details->toPlainText().startsWith(u"Time: between "_s + local(When.addSecs(-3600)) +
                                                   u" and "_s + local(When) + u"\n"_s),
                 qPrintable(details->toPlainText()));
        QVERIFY(details->toPlainText().endsWith(
            u"Before: no quantity\nAfter: n/a, from 2024-02-03 00:00:00"_s));
        table->setCurrentIndex(table->model()->index(2, 0));
        QVERIFY2(details->toPlainText().endsWith(u"Item: BOLT\nBefore: (no description on file), "
                                                 u"EA\nAfter: Bolt M6, PC"_s),
                 qPrintable(details->toPlainText()));
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
        // A forget that fails says why and claims nothing done.
        w.desktop.dialogAnswers.append([](QDialog&) { return int(QDialog::Accepted); });
        dialog->findChild<QPushButton*>(u"historyForget"_s)->click();
        QCOMPARE(w.desktop.messageTexts().size(), 2);
        QVERIFY2(!w.status().contains(u"forgotten"_s), qPrintable(w.status()));
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
        QVERIFY(model.index(0, 0).data().toString().contains(formula + u" › "_s + markup));
        QVERIFY(!model.index(0, 0).data(Qt::ToolTipRole).isValid());
        const QString details = dialog->findChild<QPlainTextEdit*>(u"historyDetails"_s)->toPlainText();
        QVERIFY(details.contains(u"\nReason: "_s + change.reason + u"\n"_s));
        QVERIFY(details.contains(u"\nAssembly: "_s + formula + u" (Top)\n"_s));

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

    /// "As of" a typed moment, the whole of its second; the bill shown is the one restored,
    /// Restore waiting for Show after the moment changes; a moment before the history is its
    /// start; a change set's "before" with no time typed.
    void asOfReadsTypedMomentsAndRestoresTheBillShown() {
        // SUB stands in TOP and in OTHER: a restore of TOP's bill changes OTHER's too.
        WindowFixture w({{u"TOP"_s, u"Top"_s, u"EA"_s}, {u"SUB"_s, u"Sub"_s, u"EA"_s},
                         {u"BOLT"_s, u"Bolt"_s, u"PC"_s}, {u"OTHER"_s, u"Other"_s, u"EA"_s}},
                        {{u"TOP"_s, u"SUB"_s, 2.0}, {u"SUB"_s, u"BOLT"_s, 4.0},
                         {u"OTHER"_s, u"SUB"_s, 1.0}});
        FakeHistory history;
        history.attach(w);
        history.lines.insert(store::foldKey(u"TOP"_s), {store::ComponentLine{u"SUB"_s, 2.0, u"EA"_s, u"Sub"_s, true,
                                                              u"2024-06-01 00:00:00"_s}});
        store::ChangeRecord change = lineChange(u"SUB"_s, u"BOLT"_s);
        change.before = {true, 3.0, u"1996-01-01 00:00:00"_s, {}, {}};
        change.after = {true, 4.0, u"1996-01-01 00:00:00"_s, {}, {}};
        history.changes = {change};
        w.load(u"TOP"_s);
        w.window().findChild<QAction*>(u"mnuAsOf"_s)->trigger();
        auto* asOf = w.window().findChild<shell::AsOfDialog*>();
        auto* field = asOf->findChild<QLineEdit*>(u"dtAsOf"_s);
        auto* show = asOf->findChild<QPushButton*>(u"cmdShowAsOf"_s);
        auto* restore = asOf->findChild<QPushButton*>(u"cmdRestoreBill"_s);
        auto* heading = asOf->findChild<QLabel*>(u"lblAsOf"_s);
        const auto type = [&](const QString& text) {
            field->selectAll();
            QTest::keyClicks(field, text);
        };
        // The field opens to the second, with no milliseconds it does not show.
        QVERIFY(QDateTime::fromString(field->text(), u"yyyy-MM-dd HH:mm:ss"_s).isValid());
        QVERIFY(!restore->isEnabled());

        type(u"2025-03-04 08:00"_s);
        show->click();
        QCOMPARE(history.askedAsOf, QDateTime(QDate(2025, 3, 4), QTime(8, 0, 0, 999)).toUTC());
        QVERIFY(restore->isEnabled());
        QVERIFY2(heading->text().startsWith(u"TOP as it stood at 2025-03-04 08:00:00: 1 line,"_s),
                 qPrintable(heading->text()));
        // The row whole: its start date too.
        QCOMPARE(asOf->tree().model()->index(0, 5).data().toString(), u"2024-06-01 00:00:00"_s);

        // Another moment typed: Restore waits for Show, and then puts back the moment shown.
        type(u"2025-03-05 09:00:07"_s);
        QVERIFY(!restore->isEnabled());
        show->click();
        QCOMPARE(history.askedAsOf, QDateTime(QDate(2025, 3, 5), QTime(9, 0, 7, 999)).toUTC());
        QString alsoUsed;
        w.desktop.dialogAnswers = {[&](QDialog& preview) {
            alsoUsed = preview.findChild<QLabel*>(u"restoreAlsoUsed"_s)->text();
            return int(QDialog::Rejected);
        }};
        restore->click();
        QCOMPARE(history.asked->since, QDateTime(QDate(2025, 3, 5), QTime(9, 0, 8)).toUTC());
        QCOMPARE(history.asked->limit, std::numeric_limits<int>::max());
        QCOMPARE(alsoUsed, u"SUB is also used in OTHER: the change shows there too."_s);
        QCOMPARE(linesOf(w.database).filter(u"SUB>BOLT"_s), QStringList(u"SUB>BOLT=4"_s));

        // Before the history began: its start, said.
        type(u"2024-01-01"_s);
        show->click();
        const QDateTime start(QDate(2024, 1, 2), QTime(3, 4, 5));
        QCOMPARE(history.askedAsOf, start.toUTC());
        QVERIFY2(heading->text().contains(
                     u"as it stood at 2024-01-02 03:04:05.000 (the history starts at "
                     u"2024-01-02 03:04:05.000; showing that)"_s),
                 qPrintable(heading->text()));
        // To the millisecond: the start's whole second may hold later changes.
        QCOMPARE(field->text(), u"2024-01-02 03:04:05.000"_s);
        // No moment: a numbered message, and the bill shown stays the one restored.
        type(u"last monday"_s);
        show->click();
        QCOMPARE(w.desktop.messageTexts().size(), 1);
        QVERIFY2(w.desktop.messageTexts()[0].startsWith(u"1430 'last monday' is no moment"_s),
                 qPrintable(w.desktop.messageTexts()[0]));
        QVERIFY(!restore->isEnabled());

        // A change set's own "before": just before its time, nothing typed.
        w.window().findChild<QAction*>(u"mnuChangeHistory"_s)->trigger();
        auto* changes = w.window().findChild<shell::ChangeHistoryDialog*>();
        changes->findChild<QAction*>(u"historyShowBefore"_s)->trigger();
        QCOMPARE(history.askedAsOf, When.addMSecs(-1));
        QVERIFY(restore->isEnabled());
        QCOMPARE(asOf->windowTitle(), u"Bill of TOP As Of"_s);
        // A change outside the loaded bill: the bill of what it names.
        history.changes = {lineChange(u"OTHER"_s, u"SUB"_s)};
        changes->findChild<QPushButton*>(u"historyShow"_s)->click();
        changes->findChild<QAction*>(u"historyShowBefore"_s)->trigger();
        QCOMPARE(asOf->windowTitle(), u"Bill of OTHER As Of"_s);
        history.changes = {change};
        changes->findChild<QPushButton*>(u"historyShow"_s)->click();
        changes->findChild<QAction*>(u"historyCompareBefore"_s)->trigger();
        auto* compare = w.window().findChild<shell::CompareDialog*>();
        QVERIFY(compare && compare->isVisible());
        QCOMPARE(compare->asOfB(), std::optional<QDateTime>(When.addMSecs(-1)));
        QVERIFY(!compare->asOfA());
    }

    /// One field a column, every ID exactly as stored: read back with the import's own CSV
    /// reader, IDs that hold commas, quotes and parentheses come back whole.
    void bomImportPrintsTheChangesOfAFileAsData() {
        QTemporaryDir dir;
        const QString db = dir.filePath(u"bom.db"_s);
        const QString top = u"TOP, \"big\" (v2)"_s;
        const QString sub = u"SUB (a,b)"_s;
        writeDatabase(db, {{top, u"Top"_s, u"EA"_s}, {sub, u"Sub"_s, u"EA"_s}}, {{top, sub, 2.0}});
        /// The records of --history with `options`, read back, each field by its column, "<n>"
        /// for a Null, joined by '|'; the first the header. Empty when it failed.
        const auto history = [&](const QStringList& options) {
            QProcess program;
            program.start(QStringLiteral(BOM_IMPORT_PROGRAM),
                          QStringList{u"--history"_s, db} + options);
            program.waitForFinished(60'000);
            QStringList records;
            if (program.exitCode() != 0 || !program.readAllStandardError().isEmpty())
                return records;
            import::CsvReader reader(program.readAllStandardOutput(), u"history"_s);
            std::vector<import::CsvField> fields;
            while (reader.next(fields)) {
                QStringList texts;
                for (const import::CsvField& field : fields)
                    texts.append(field.bytes.isEmpty() && !field.quoted
                                     ? u"<n>"_s
                                     : QString::fromUtf8(field.bytes));
                records.append(texts.join(u'|'));
            }
            return records;
        };
        const QString header =
            u"Time|NotBefore|Person|Host|Source|ChangeSet|Command|Reason|Table|Change|BomID|"
            u"BomComp|QtyBefore|QtyAfter|StartDateBefore|StartDateAfter|ItemID|"
            u"DescriptionBefore|DescriptionAfter|UnitBefore|UnitAfter"_s;
        // The first look starts the history with the rows as they are: nothing has changed.
        QCOMPARE(history({}), QStringList{header});
        // Another program changes a line and adds an item with a formula-like ID.
        execOn(db, {u"UPDATE BomDetail SET bomQtyReq = 0.1 WHERE BomComp = 'SUB (a,b)'"_s,
                    u"INSERT INTO ItemMaster VALUES ('=X', '', 'PC')"_s});
        QStringList records = history({});
        QCOMPARE(records.value(0), header);
        records.removeFirst();
        // Found afterwards: between the last look and this one, in UTC; who wrote it is the
        // history's to say (tests/store/history_file_test).
        static const QRegularExpression found(
            u"^\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z\\|\\d{4}-\\d\\d-\\d\\dT[\\d:.]+Z\\|[^|]*\\|[^|]*\\|"
            u"another program\\|\\d+\\|"_s);
        for (QString& record : records) {
            QVERIFY2(found.match(record).hasMatch(), qPrintable(record));
            record.remove(found);
        }
        records.sort();
        // IDs as stored, no guard for a spreadsheet; an empty text is no Null.
        QCOMPARE(records,
                 (QStringList{u"<n>|<n>|BomDetail|changed|"_s + top + u'|' + sub +
                                  u"|2|0.1|1996-01-01 00:00:00|1996-01-01 00:00:00|<n>|<n>|<n>|"
                                  u"<n>|<n>"_s,
                              u"<n>|<n>|ItemMaster|added|<n>|<n>|<n>|<n>|<n>|<n>|=X|<n>||<n>|PC"_s}));
        // --item and --since narrow the list.
        QCOMPARE(history({u"--item"_s, u"sub (A,B)"_s}).size(), 2);
        QCOMPARE(history({u"--since"_s, QDate::currentDate().addDays(1).toString(Qt::ISODate)}),
                 QStringList{header});
        QCOMPARE(history({u"--since"_s, u"yesterday"_s}), QStringList());
        // The time of day counts: an hour from now is after every change, today's date not.
        QCOMPARE(history({u"--since"_s,
                          QDateTime::currentDateTimeUtc().addSecs(3600).toString(Qt::ISODate)}),
                 QStringList{header});
        QCOMPARE(history({u"--since"_s, QDate::currentDate().toString(Qt::ISODate)}).size(), 3);
    }
};

QTEST_MAIN(ChangeHistoryTest)
#include "change_history_test.moc"
