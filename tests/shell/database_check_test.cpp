// Check Database: its findings against a brute-force scan of generated databases on both
// stores, a deep cycle and Cancel, the window's list, and bom-import --check.

#include "shell/check/CheckDatabaseDialog.h"
#include "store/DatabaseCheck.h"
#include "store/ItemKey.h"
#include "support/BackendSuite.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <map>
#include <random>
#include <set>

using store::CheckFinding;

namespace {

QString key(const QString& id) { return store::foldKey(id); }

/// What the check should find in the lines, by definition, item by item and line by line.
QStringList bruteForce(const std::vector<ItemRow>& items, const std::vector<Line>& lines) {
    QStringList expected;
    const auto lineFinding = [&](CheckFinding::Kind kind, const Line& line) {
        expected.append(QStringLiteral("%1|%2|%3").arg(kind).arg(line.assembly, line.component));
    };
    const auto checkId = [&](const QString& id, CheckFinding::Kind missing,
                             CheckFinding::Kind differs, const Line& line) {
        for (const ItemRow& item : items)
            if (key(item.id) == key(id)) {
                if (item.id != id)
                    lineFinding(differs, line);
                return;
            }
        lineFinding(missing, line);
        for (const ItemRow& item : items)
            if (key(item.id.trimmed()) == key(id.trimmed())) {
                lineFinding(differs, line);
                return;
            }
    };
    for (const Line& line : lines) {
        checkId(line.assembly, CheckFinding::AssemblyNotInItemMaster,
                CheckFinding::AssemblyIdDiffers, line);
        checkId(line.component, CheckFinding::ComponentNotInItemMaster,
                CheckFinding::ComponentIdDiffers, line);
        if (!line.quantity.isValid())
            lineFinding(CheckFinding::NoQuantity, line);
        else if (line.quantity.toDouble() == 0)
            lineFinding(CheckFinding::ZeroQuantity, line);
        else if (line.quantity.toDouble() < 0)
            lineFinding(CheckFinding::NegativeQuantity, line);
    }
    return expected;
}

/// The groups of items that reach each other through at least one line, by reachability
/// from every item on its own.
std::set<std::set<QString>> cyclicGroups(const std::vector<Line>& lines) {
    std::map<QString, std::set<QString>> below;
    for (const Line& line : lines)
        below[key(line.assembly)].insert(key(line.component));
    const auto reach = [&](const QString& from) {
        std::set<QString> seen;
        std::vector<QString> todo{from};
        while (!todo.empty()) {
            const QString at = todo.back();
            todo.pop_back();
            for (const QString& next : below[at])
                if (seen.insert(next).second)
                    todo.push_back(next);
        }
        return seen;
    };
    std::map<QString, std::set<QString>> reached;
    for (const Line& line : lines)
        for (const QString& id : {key(line.assembly), key(line.component)})
            if (!reached.count(id))
                reached[id] = reach(id);
    std::set<std::set<QString>> groups;
    for (const auto& [id, from] : reached) {
        if (!from.count(id))
            continue;
        std::set<QString> group;
        for (const QString& other : from)
            if (reached[other].count(id))
                group.insert(other);
        groups.insert(group);
    }
    return groups;
}

/// A database with every kind of problem, from `seed`: case and blank variants of IDs on both
/// sides, items missing from ItemMaster, doubtful quantities, self-lines and cycles.
std::pair<std::vector<ItemRow>, std::vector<Line>> generate(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const auto spelt = [&](int base) {
        const QString id = QStringLiteral("P-%1").arg(base);
        switch (pick(8)) {
        case 0: return id.toLower();
        case 1: return id + u' ';
        case 2: return u' ' + id.toLower();
        default: return id;
        }
    };
    const int bases = 8 + pick(16);
    std::vector<ItemRow> items;
    std::set<QString> itemKeys;
    for (int base = 0; base < bases; ++base) {
        if (pick(5) == 0)
            continue; // not in ItemMaster
        for (int variant = 0; variant < 1 + (pick(6) == 0); ++variant) {
            const QString id = spelt(base);
            if (itemKeys.insert(key(id)).second)
                items.push_back({id, {}, {}});
        }
    }
    std::vector<Line> lines;
    std::set<std::pair<QString, QString>> lineKeys;
    const QVariant quantities[] = {1.0, 2.5, QVariant(), 0.0, -1.5, 3.0};
    for (int n = bases * 2 + pick(bases); n > 0; --n) {
        const QString assembly = spelt(pick(bases));
        const QString component = pick(20) == 0 ? assembly : spelt(pick(bases));
        if (lineKeys.insert({key(assembly), key(component)}).second)
            lines.push_back({assembly, component, quantities[pick(6)]});
    }
    return {items, lines};
}

struct Checked {
    QStringList lineFindings;
    std::vector<CheckFinding> cycles;
    store::CheckReport report;
};

Checked check(store::Store& db) {
    auto report = store::checkDatabase(db, {});
    if (!report)
        qFatal("the check stopped without a Cancel");
    Checked result{{}, {}, {}};
    for (size_t i = 0; i < report->size(); ++i) {
        const CheckFinding f = report->finding(i);
        if (f.kind == CheckFinding::Cycle)
            result.cycles.push_back(f);
        else
            result.lineFindings.append(
                QStringLiteral("%1|%2|%3").arg(f.kind).arg(f.assembly, f.component));
    }
    result.report = std::move(*report);
    return result;
}

QString cell(const QTableView& table, int row, int column) {
    return table.model()->index(row, column).data().toString();
}

} // namespace

class DatabaseCheckTest : public BackendSuite {
    Q_OBJECT

public:
    DatabaseCheckTest() : BackendSuite(QStringLiteral("check.db")) {}

private Q_SLOTS:
    void findingsAgreeWithABruteForceScan() {
        const StoreBackend db = backend();
        for (unsigned seed = 1; seed <= 25; ++seed) {
            const auto [items, lines] = generate(seed);
            db.write(items, lines);
            QStringList expected = bruteForce(items, lines);
            if (db.kind() == StoreBackend::Sqlite && seed == 1) {
                // Bytes that are not UTF-8, as an import in another character set leaves them,
                // matched byte for byte; and a quantity column that holds text.
                execOn(db.address(),
                       {"INSERT INTO ItemMaster (ItemID) VALUES (CAST(X'58C3' AS TEXT))",
                        "INSERT INTO BomDetail VALUES (CAST(X'58C3' AS TEXT), 'X-1', 1, NULL)",
                        "INSERT INTO BomDetail VALUES ('X-2', CAST(X'59FF' AS TEXT), 'some', NULL)"});
                expected << QStringLiteral("%1|X\\xC3|").arg(CheckFinding::ItemIdNotUtf8)
                         << QStringLiteral("%1|X\\xC3|X-1").arg(CheckFinding::ComponentNotInItemMaster)
                         << QStringLiteral("%1|X\\xC3|X-1").arg(CheckFinding::LineIdNotUtf8)
                         << QStringLiteral("%1|X-2|Y\\xFF").arg(CheckFinding::AssemblyNotInItemMaster)
                         << QStringLiteral("%1|X-2|Y\\xFF").arg(CheckFinding::ComponentNotInItemMaster)
                         << QStringLiteral("%1|X-2|Y\\xFF").arg(CheckFinding::QuantityNotANumber)
                         << QStringLiteral("%1|X-2|Y\\xFF").arg(CheckFinding::LineIdNotUtf8);
            }
            const auto store = db.open();
            Checked found = check(*store);
            expected.sort();
            found.lineFindings.sort();
            QCOMPARE(found.lineFindings, expected);

            // Each group of items that reach each other once, with a real way round it.
            std::set<std::set<QString>> groups;
            std::set<std::pair<QString, QString>> edges;
            for (const Line& line : lines)
                edges.insert({key(line.assembly), key(line.component)});
            const auto oracle = cyclicGroups(lines);
            for (const CheckFinding& cycle : found.cycles) {
                QVERIFY(cycle.path.size() >= 2);
                QCOMPARE(cycle.assembly, cycle.path.front());
                QCOMPARE(cycle.component, cycle.path.at(1));
                QCOMPARE(key(cycle.path.front()), key(cycle.path.back()));
                for (qsizetype i = 0; i + 1 < cycle.path.size(); ++i)
                    QVERIFY2(edges.count({key(cycle.path[i]), key(cycle.path[i + 1])}),
                             qPrintable(cycle.path.join(u'>')));
                const auto group = std::find_if(oracle.begin(), oracle.end(), [&](const auto& g) {
                    return g.count(key(cycle.path.front())) > 0;
                });
                QVERIFY(group != oracle.end());
                for (const QString& id : cycle.path)
                    QVERIFY(group->count(key(id)));
                QVERIFY2(groups.insert(*group).second, "a group reported twice");
            }
            QCOMPARE(groups, oracle);
            QCOMPARE(found.report.lines, qint64(lines.size() + (db.kind() == StoreBackend::Sqlite && seed == 1 ? 2 : 0)));
        }
    }

    void deepCycleAndCancel() {
        // A chain 3,000 levels deep closed into one loop, beside a wide bill: one finding,
        // with the whole way round.
        const StoreBackend db = backend();
        std::vector<ItemRow> items{{"WIDE", {}, {}}};
        std::vector<Line> lines;
        const int depth = 3000;
        for (int i = 0; i < depth; ++i) {
            items.push_back({QStringLiteral("C%1").arg(i), {}, {}});
            lines.push_back({QStringLiteral("C%1").arg(i), QStringLiteral("C%1").arg((i + 1) % depth)});
            lines.push_back({"WIDE", QStringLiteral("C%1").arg(i)});
        }
        db.write(items, lines);
        const auto store = db.open();
        const Checked found = check(*store);
        QVERIFY(found.lineFindings.isEmpty());
        QCOMPARE(found.cycles.size(), size_t(1));
        QCOMPARE(found.cycles[0].path.size(), depth + 1);
        QCOMPARE(found.cycles[0].assembly, QStringLiteral("C0"));

        // A Cancel at any report, in the reading or in the walk, stops the check at once; it
        // has written nothing.
        const QStringList before = db.lines();
        int stopAt = 1;
        for (;; ++stopAt) {
            int reports = 0;
            const auto report = store::checkDatabase(*store, [&](qint64 done, qint64 total) {
                return done <= total && ++reports < stopAt;
            });
            if (report) {
                QVERIFY(reports < stopAt);
                break;
            }
            QCOMPARE(reports, stopAt);
        }
        QVERIFY(stopAt > 3);
        QCOMPARE(db.lines(), before);
    }

    void windowListsLoadsAndExports() {
        QFETCH_GLOBAL(int, kind);
        if (kind == StoreBackend::Postgres)
            QSKIP("the window is the same on both stores");
        WindowFixture f({{"TOP", {}, {}}, {"SUB", {}, {}}, {"=SUM(1)", {}, {}}},
                        {{"TOP", "SUB", 2}, {"SUB", "bolt", 3}, {"TOP", "=sum(1)", -1}});
        auto* action = f.window().findChild<QAction*>(QStringLiteral("mnuCheckDatabase"));
        QVERIFY(action);
        // Cancel: no window, no message.
        f.desktop.cancelProgressAfter = 0;
        action->trigger();
        QVERIFY(!f.window().findChild<shell::CheckDatabaseDialog*>());
        f.desktop.cancelProgressAfter = -1;
        action->trigger();
        QVERIFY(f.desktop.messages().isEmpty());
        auto* dialog = f.window().findChild<shell::CheckDatabaseDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("checkHeading"))
                    ->text()
                    .startsWith(QStringLiteral("Findings: 3, in 3 items and 3 lines of ")));
        auto& table = *dialog->findChild<QTableView*>(QStringLiteral("checkTable"));
        QCOMPARE(table.model()->rowCount(), 3);
        QCOMPARE(cell(table, 0, 0) + u'|' + cell(table, 0, 1) + u'|' + cell(table, 0, 2),
                 QStringLiteral("Component not in Item Master|SUB|bolt"));
        QCOMPARE(cell(table, 1, 0), QStringLiteral("Component ID differs from Item Master"));

        // Sorted by component, descending: bolt, =sum(1) (the store's order: '=' before 'B').
        table.sortByColumn(2, Qt::DescendingOrder);
        QCOMPARE(cell(table, 0, 2), QStringLiteral("bolt"));

        const QRect first = table.visualRect(table.model()->index(0, 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, first.center());
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("SUB"));
        QVERIFY(dialog->isVisible());

        table.sortByColumn(0, Qt::AscendingOrder);
        const QString csv = QDir(f.folder()).filePath(QStringLiteral("found.csv"));
        f.desktop.saveAnswers = {csv};
        dialog->findChild<QPushButton*>(QStringLiteral("checkExport"))->click();
        QCOMPARE(f.desktop.asked.last().defaultText,
                 QDir(f.folder()).filePath(QStringLiteral("bom-check.csv")));
        const QList<QByteArray> records = readAll(csv).split('\n');
        QCOMPARE(records.size(), 5); // header, three findings, the empty rest after the last CR LF
        QCOMPARE(records[0], QByteArray("Kind,Assembly,Component,Detail\r"));
        QVERIFY2(records[2].startsWith("Component ID differs from Item Master,TOP,'=sum(1),"
                                       "\"The line holds '=sum(1)', the Item Master '=SUM(1)': "),
                 records[2].constData());
        QVERIFY2(records[3].startsWith("Negative quantity,TOP,'=sum(1),The quantity is -1."),
                 records[3].constData());
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void commandLineExitStatus() {
        const StoreBackend db = backend();
        const auto run = [&](const QString& location) {
            QProcess program;
            program.start(QStringLiteral(BOM_IMPORT_PROGRAM), {QStringLiteral("--check"), location});
            program.waitForFinished(60000);
            return std::tuple(program.exitCode(), QString::fromUtf8(program.readAllStandardOutput()),
                              QString::fromUtf8(program.readAllStandardError()));
        };
        db.write({{"TOP", {}, {}}, {"SUB", {}, {}}}, {{"TOP", "SUB", 2}});
        auto [status, out, err] = run(db.address());
        QCOMPARE(status, 0);
        QVERIFY2(out.endsWith(QStringLiteral(": 0 findings in 2 items and 1 line.\n")),
                 qPrintable(out));

        db.write({{"TOP", {}, {}}, {"SUB", {}, {}}}, {{"TOP", "SUB", 2}, {"SUB", "TOP", QVariant()}});
        std::tie(status, out, err) = run(db.address());
        QCOMPARE(status, 1);
        const QStringList printed = out.trimmed().split(u'\n');
        QCOMPARE(printed.size(), 3);
        QCOMPARE(printed[0], QStringLiteral("Circular structure: SUB → TOP: SUB → TOP → SUB"));
        QCOMPARE(printed[1], QStringLiteral("No quantity: SUB → TOP: The quantity is Null."));
        QVERIFY(printed[2].endsWith(QStringLiteral(": 2 findings in 2 items and 2 lines.")));

        std::tie(status, out, err) = run(db.kind() == StoreBackend::Sqlite
                                             ? m_dir.filePath(QStringLiteral("none.db"))
                                             : m_server.uri(QStringLiteral("no_such_database")));
        QCOMPARE(status, 2);
        QVERIFY2(err.startsWith(db.kind() == StoreBackend::Sqlite ? QStringLiteral("1004 ")
                                                                  : QStringLiteral("1005 ")),
                 qPrintable(err));
    }
};

QTEST_MAIN(DatabaseCheckTest)
#include "database_check_test.moc"
