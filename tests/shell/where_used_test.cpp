#include "desktop/Desktop.h"
#include "shell/whereused/WhereUsedDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "support/BackendSuite.h"
#include "support/WindowFixture.h"
#include "tree/bill/BomTreeModel.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QProcess>
#include <QTest>

#include <algorithm>

#include <map>
#include <random>

using namespace Qt::StringLiterals;

namespace {

/// A generated structure: five levels of items, each assembly using two to four items of the
/// levels below (so sub-assemblies are shared), about one quantity in eight Null, IDs written
/// in another case in about one line in four, two items without an ItemMaster row, and, when
/// asked, one line back up that closes a cycle.
struct Generated {
    std::vector<ItemRow> items;
    std::vector<Line> lines;
};

Generated generate(unsigned seed, bool cycle) {
    std::mt19937 random(seed);
    const int perLevel[] = {3, 6, 8, 8, 6};
    std::vector<QStringList> levels;
    Generated g;
    int serial = 0;
    for (const int count : perLevel) {
        QStringList level;
        for (int i = 0; i < count; ++i)
            level.append(QStringLiteral("P-%1").arg(serial++, 2, 10, QLatin1Char('0')));
        levels.push_back(level);
    }
    const auto chance = [&](int in) { return random() % unsigned(in) == 0; };
    const auto spell = [&](const QString& id) {
        // The two items without an ItemMaster row keep one spelling: it is the one shown.
        const bool unlisted = id == QStringLiteral("P-01") || id == QStringLiteral("P-10");
        return !unlisted && chance(4) ? id.toLower() : id;
    };
    const double quantities[] = {0.5, 1, 2, 3};
    for (size_t level = 0; level + 1 < levels.size(); ++level)
        for (const QString& assembly : levels[level]) {
            QSet<QString> used;
            const int count = 2 + int(random() % 3);
            while (used.size() < count) {
                const size_t below = level + 1 + random() % (levels.size() - level - 1);
                const QString component = levels[below].at(int(random() % levels[below].size()));
                if (used.contains(component))
                    continue;
                used.insert(component);
                g.lines.push_back({spell(assembly), spell(component),
                                   chance(8) ? QVariant() : QVariant(quantities[random() % 4])});
            }
        }
    if (cycle) {
        // The first line from level 1 to level 2, turned round: its two items use each other.
        const auto line = std::find_if(g.lines.begin(), g.lines.end(), [&](const Line& l) {
            return levels[1].contains(l.assembly, Qt::CaseInsensitive) &&
                   levels[2].contains(l.component, Qt::CaseInsensitive);
        });
        g.lines.push_back({line->component, line->assembly, 2.0});
    }
    for (const QStringList& level : levels)
        for (const QString& id : level)
            if (id != QStringLiteral("P-01") && id != QStringLiteral("P-10"))
                g.items.push_back({id, chance(3) ? QVariant() : QVariant(QStringLiteral("Part ") + id),
                                   chance(3) ? QVariant() : QVariant(QStringLiteral("U") + id)});
    return g;
}

/// Where-used the slow way: every path upward from the item, one at a time. An assembly met
/// again on its own path closes a cycle; every assembly with a path through a cycle is circular.
std::vector<store::WhereUsedRow> bruteForce(const Generated& g, const QString& item) {
    struct Expected {
        int level = INT_MAX;
        double quantity = 0;
        bool null = false;
        bool circular = false;
        QString spelling;
    };
    std::map<QString, Expected> found;
    QSet<QString> onCycles;
    const std::function<void(QStringList&, std::optional<double>, bool)> climb =
        [&](QStringList& path, std::optional<double> product, bool record) {
            for (const Line& line : g.lines) {
                if (store::foldKey(line.component) != path.last())
                    continue;
                const QString assembly = store::foldKey(line.assembly);
                const qsizetype repeat = path.indexOf(assembly);
                const std::optional<double> next =
                    product && line.quantity.isValid()
                        ? std::optional(*product * line.quantity.toDouble()) : std::nullopt;
                bool circular = false;
                for (const QString& key : path)
                    circular = circular || onCycles.contains(key);
                if (repeat >= 0) {
                    for (qsizetype at = repeat; at < path.size(); ++at)
                        onCycles.insert(path.at(at));
                    if (repeat > 0)
                        continue; // the item met again is listed; any other assembly already is
                }
                if (record) {
                    Expected& e = found[assembly];
                    e.level = std::min(e.level, int(path.size()));
                    e.spelling = line.assembly;
                    e.circular = e.circular || circular || onCycles.contains(assembly);
                    e.null = e.null || !next;
                    e.quantity += next.value_or(0);
                }
                if (repeat < 0) {
                    path.append(assembly);
                    climb(path, next, record);
                    path.removeLast();
                }
            }
        };
    QStringList path{store::foldKey(item)};
    climb(path, 1.0, false); // first every cycle on the way
    climb(path, 1.0, true);

    std::vector<store::WhereUsedRow> rows;
    for (const auto& [key, e] : found) {
        store::WhereUsedRow row{e.spelling, e.level, std::nullopt, e.circular, false, {}, {}};
        row.top = std::none_of(g.lines.cbegin(), g.lines.cend(), [&](const Line& line) {
            return store::foldKey(line.component) == key;
        });
        if (!e.circular && !e.null)
            row.quantity = e.quantity;
        for (const ItemRow& master : g.items)
            if (store::foldKey(master.id) == key) {
                row.assembly = master.id;
                row.inItemMaster = true;
                if (master.description.isValid())
                    row.description = master.description.toString();
                if (master.unit.isValid())
                    row.unit = master.unit.toString();
            }
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return std::pair(a.level, store::foldKey(a.assembly)) <
               std::pair(b.level, store::foldKey(b.assembly));
    });
    return rows;
}

QString describe(const std::vector<store::WhereUsedRow>& rows) {
    QStringList parts;
    for (const auto& r : rows)
        parts.append(QStringLiteral("%1@%2=%3%4")
                         .arg(r.assembly)
                         .arg(r.level)
                         .arg(r.quantity ? QString::number(*r.quantity) : QStringLiteral("-"))
                         .arg(r.circular ? QStringLiteral("*") : QString()));
    return parts.join(u' ');
}

QString cell(QTableView& table, int row, int column) {
    return table.model()->index(row, column).data().toString();
}

} // namespace

class WhereUsedTest : public ServerSuite {
    Q_OBJECT

private Q_SLOTS:
    void agreesWithEveryPath_data() {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<bool>("cycle");
        QTest::addColumn<int>("kind");
        for (const auto& [kind, name] : BackendSuite::Backends) {
            QTest::addRow("%s, no cycle, seed 1", name) << 1u << false << int(kind);
            QTest::addRow("%s, no cycle, seed 2", name) << 2u << false << int(kind);
            QTest::addRow("%s, a cycle, seed 3", name) << 3u << true << int(kind);
            QTest::addRow("%s, a cycle, seed 4", name) << 4u << true << int(kind);
        }
    }
    void agreesWithEveryPath() {
        QFETCH(unsigned, seed);
        QFETCH(bool, cycle);
        QFETCH(int, kind);
        // The server walks other lines (only those above the item) to the same rows.
        if (kind == StoreBackend::Postgres && !needServer())
            return;
        const Generated g = generate(seed, cycle);
        QTemporaryDir dir;
        const StoreBackend backend(StoreBackend::Kind(kind), dir.filePath(u"bom.db"_s), &m_server);
        backend.write(g.items, g.lines);
        const std::unique_ptr<store::Store> opened = backend.open();
        store::Store& db = *opened;
        int circular = 0;
        int withQuantity = 0;
        int tops = 0;
        for (int i = 0; i < 31; ++i) {
            QString item = QStringLiteral("P-%1").arg(i, 2, 10, QLatin1Char('0'));
            if (i % 2)
                item = item.toLower(); // asked for in another case than stored
            const auto expected = bruteForce(g, item);
            const auto actual = db.whereUsed(item);
            QCOMPARE(actual.size(), expected.size());
            for (size_t r = 0; r < actual.size(); ++r) {
                const auto& a = actual[r];
                const auto& e = expected[r];
                const QByteArray where = (item + u' ' + describe(actual)).toUtf8();
                QVERIFY2(a.assembly == e.assembly && a.level == e.level &&
                             a.circular == e.circular && a.quantity.has_value() == e.quantity.has_value() &&
                             a.inItemMaster == e.inItemMaster && a.description == e.description &&
                             a.unit == e.unit && a.top == e.top,
                         where.constData());
                if (a.quantity)
                    QVERIFY2(qFuzzyCompare(*a.quantity, *e.quantity), where.constData());
                circular += a.circular;
                withQuantity += bool(a.quantity);
                tops += a.top;
            }
        }
        // The data must exercise what it is there for.
        QVERIFY(withQuantity > 20);
        QVERIFY(tops > 0);
        QCOMPARE(circular > 0, cycle);
    }

    void dialogLoadsTheAssemblyOfALine() {
        // TOP uses BOLT directly and through SUB twice over: 1 + 2 * 3.
        WindowFixture f({{"TOP", "Top assembly", {}}, {"SUB", {}, {}}, {"BOLT", "Bolt", {}}},
                        {{"TOP", "SUB", 2}, {"SUB", "bolt", 3}, {"TOP", "BOLT", 1}});
        f.load(QStringLiteral("TOP"));
        f.tree().setFocus();
        f.tree().setCurrentIndex(f.node(QStringLiteral("SUB/bolt")));
        auto* action = f.window().findChild<QAction*>(QStringLiteral("mnuWhereUsed"));
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
        action->trigger();

        auto* dialog = f.window().findChild<shell::WhereUsedDialog*>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Where Used"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("whereUsedHeading"))->text(),
                 QStringLiteral("Assemblies that use BOLT (Bolt): 2"));
        auto& table = *dialog->findChild<QTableView*>(QStringLiteral("whereUsedTable"));
        QCOMPARE(table.model()->rowCount(), 2);
        QCOMPARE(cell(table, 0, 0) + u' ' + cell(table, 0, 1) + u' ' + cell(table, 0, 2) + u' ' +
                     cell(table, 0, 4),
                 QStringLiteral("SUB 1 3 (no description on file)"));
        QCOMPARE(cell(table, 1, 0) + u' ' + cell(table, 1, 2), QStringLiteral("TOP 7"));

        // Enter on a line loads its assembly, as a pick in the list does.
        table.setCurrentIndex(table.model()->index(0, 0));
        QTest::keyClick(&table, Qt::Key_Return);
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("SUB"));
        QCOMPARE(f.Text1().text(), QStringLiteral("SUB"));
        QCOMPARE(f.outline(), QStringLiteral("bolt"));
        QVERIFY(dialog->isVisible());

        // A double-click does the same.
        const QRect top = table.visualRect(table.model()->index(1, 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, top.center());
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, top.center());
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("TOP"));
        QVERIFY(f.desktop.messages().isEmpty());
    }

    void finishedItemsInTheWindowAndTheCommand() {
        // BOLT: in TOP (1 + 2 × 3 = 7 per TOP) and in KIT through SUB (3), and in OLD with no
        // quantity on the way; SUB and TOP's own user KIT are no finished items, OLD and KIT are.
        WindowFixture f({{"TOP", "Top", {}}, {"SUB", {}, {}}, {"BOLT", "Bolt", "PC"},
                         {"KIT", "Kit", {}}, {"OLD", {}, {}}},
                        {{"TOP", "SUB", 2}, {"SUB", "bolt", 3}, {"TOP", "BOLT", 1},
                         {"KIT", "TOP", 2}, {"KIT", "SUB", 1}, {"OLD", "SUB", QVariant()}});
        f.load(QStringLiteral("TOP"));
        f.tree().setFocus();
        f.tree().setCurrentIndex(f.node(QStringLiteral("SUB/bolt")));
        f.window().findChild<QAction*>(QStringLiteral("mnuWhereUsed"))->trigger();
        auto* dialog = f.window().findChild<shell::WhereUsedDialog*>();
        auto& table = *dialog->findChild<QTableView*>(QStringLiteral("whereUsedTable"));
        QCOMPARE(table.model()->rowCount(), 4);
        dialog->findChild<QCheckBox*>(QStringLiteral("whereUsedTops"))->setChecked(true);
        // KIT: 2 × 7 + 3, over three paths in the tree's order; each path indented under its
        // finished item with its number of lines and its share.
        const auto lines = [&] {
            QStringList shown;
            for (int row = 0; row < table.model()->rowCount(); ++row)
                shown.append(cell(table, row, 0) + u'|' + cell(table, row, 1) + u'|' +
                             cell(table, row, 2));
            return shown;
        };
        const QStringList inReportOrder{
            u"KIT|2|17"_s,
            u"    \u2192 1 \u00d7 SUB \u2192 3 \u00d7 BOLT|2|3"_s,
            u"    \u2192 2 \u00d7 TOP \u2192 1 \u00d7 BOLT|2|2"_s,
            u"    \u2192 2 \u00d7 TOP \u2192 2 \u00d7 SUB \u2192 3 \u00d7 BOLT|3|12"_s,
            u"OLD|2|"_s,
            u"    \u2192 ? \u00d7 SUB \u2192 3 \u00d7 BOLT|2|"_s};
        QCOMPARE(lines(), inReportOrder);
        QCOMPARE(table.model()->index(1, 0).data(Qt::ToolTipRole).toString(),
                 u"KIT \u2192 1 \u00d7 SUB \u2192 3 \u00d7 BOLT"_s);
        QCOMPARE(dialog->assemblies(), QStringList({"KIT", "OLD"}));
        // Sorted, a finished item keeps its paths under it.
        table.model()->sort(0, Qt::DescendingOrder);
        QCOMPARE(lines(), inReportOrder.mid(4) + inReportOrder.mid(0, 4));
        table.model()->sort(0, Qt::AscendingOrder);
        // A double-click on a path loads the bill it runs through: its finished item's.
        const QRect path = table.visualRect(table.model()->index(5, 0));
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, path.center());
        QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, path.center());
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("OLD"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("whereUsedHeading"))->text(),
                 QStringLiteral("Finished items that use BOLT (Bolt): 2\nQuantities in PC per "
                                "finished unit."));
        table.setCurrentIndex(table.model()->index(0, 0));
        QTest::keyClick(&table, Qt::Key_Return);
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("KIT"));

        QProcess program;
        program.start(QStringLiteral(BOM_IMPORT_PROGRAM),
                      {QStringLiteral("--where-used"), QStringLiteral("bolt"), f.database});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(),
                 QByteArray("Finished Item,Quantity,Level,Description,UOM,Note,Row,Path,Paths\r\n"
                            "KIT,17,2,Kit,,,finished item,,3\r\n"
                            "KIT,3,2,,,,path,KIT \u2192 1 \u00d7 SUB \u2192 3 \u00d7 BOLT,\r\n"
                            "KIT,2,2,,,,path,KIT \u2192 2 \u00d7 TOP \u2192 1 \u00d7 BOLT,\r\n"
                            "KIT,12,3,,,,path,KIT \u2192 2 \u00d7 TOP \u2192 2 \u00d7 SUB "
                            "\u2192 3 \u00d7 BOLT,\r\n"
                            "OLD,,2,,,no quantity on a path,finished item,,1\r\n"
                            "OLD,,2,,,no quantity on a path,path,OLD \u2192 ? \u00d7 SUB "
                            "\u2192 3 \u00d7 BOLT,\r\n"));
    }

    void dialogSortsOnAHeaderClickAndShowsUnits() {
        // Quantities of BOLT: A 9, B 10, C none (a Null line), D 100; units per assembly.
        WindowFixture f({{"A", {}, "EA"}, {"B", {}, "KIT"}, {"C", {}, {}}, {"D", "d", "SET"},
                         {"BOLT", "Bolt", "PC"}},
                        {{"A", "BOLT", 9}, {"B", "BOLT", 10}, {"C", "BOLT", {}}, {"D", "BOLT", 100}});
        f.list().setFocus();
        f.list().setCurrentIndex(f.list().model()->index(2, 0)); // A B BOLT C D
        f.window().findChild<QAction*>(QStringLiteral("mnuWhereUsed"))->trigger();
        auto* dialog = f.window().findChild<shell::WhereUsedDialog*>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("whereUsedHeading"))->text(),
                 QStringLiteral("Assemblies that use BOLT (Bolt): 4\nQuantities in PC."));
        auto& table = *dialog->findChild<QTableView*>(QStringLiteral("whereUsedTable"));
        const auto column = [&](int c) {
            QStringList values;
            for (int row = 0; row < table.model()->rowCount(); ++row)
                values.append(cell(table, row, c));
            return values.join(u' ');
        };
        QCOMPARE(table.model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("UOM"));
        QCOMPARE(column(0) + u'|' + column(3), QStringLiteral("A B C D|EA KIT  SET"));
        // No header is cut.
        QHeaderView& header = *table.horizontalHeader();
        for (int c = 0; c < header.count() - 1; ++c)
            QVERIFY2(header.sectionSize(c) >= header.sectionSizeHint(c), qPrintable(QString::number(c)));

        // Numbers sort as numbers (10 before 100, 9 first), a line without a quantity last.
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(2) + 4, header.height() / 2));
        QCOMPARE(column(2), QStringLiteral("9 10 100 "));
        QCOMPARE(column(0), QStringLiteral("A B D C"));
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(2) + 4, header.height() / 2));
        QCOMPARE(column(0), QStringLiteral("C D B A"));
        // The current line follows its row, and Enter still loads what it shows.
        table.setCurrentIndex(table.model()->index(1, 0));
        QTest::keyClick(&table, Qt::Key_Return);
        QTRY_COMPARE(f.model().topAssembly(), QStringLiteral("D"));
        // Asked again, the report's order comes back.
        f.list().setFocus();
        f.list().setCurrentIndex(f.list().model()->index(2, 0));
        f.window().findChild<QAction*>(QStringLiteral("mnuWhereUsed"))->trigger();
        QCOMPARE(column(0), QStringLiteral("A B C D"));
    }

    void itemFollowsTheControlUsedLast() {
        WindowFixture f({{"TOP", {}, {}}, {"SUB", {}, {}}, {"BOLT", {}, {}}},
                        {{"TOP", "SUB", 2}, {"SUB", "BOLT", 3}});
        auto* action = f.window().findChild<QAction*>(QStringLiteral("mnuWhereUsed"));
        const QStringList menus = [&] {
            QStringList names;
            for (QAction* menu : f.window().menuBar()->actions())
                names.append(menu->menu()->objectName());
            return names;
        }();
        QCOMPARE(menus, QStringList({"mnuFile", "mnuEdit", "mnuTools", "mnuHelp"}));

        // The tree had the focus last and has no node: nothing to look up, and it says so.
        action->trigger();
        QCOMPARE(f.desktop.messageTexts(),
                 QStringList{QStringLiteral("1210 No item is chosen: select a node of the tree or "
                                            "a line of the Item Master list first.")});
        QVERIFY(!f.window().findChild<shell::WhereUsedDialog*>());

        // A line of the list, once the list has had the focus.
        f.list().setFocus();
        f.list().setCurrentIndex(f.list().model()->index(0, 0)); // BOLT
        f.window().menuBar()->setFocus(); // the menu has it while it is open
        action->trigger();
        auto* dialog = f.window().findChild<shell::WhereUsedDialog*>();
        QVERIFY(dialog);
        auto& table = *dialog->findChild<QTableView*>(QStringLiteral("whereUsedTable"));
        QCOMPARE(cell(table, 0, 0) + u' ' + cell(table, 1, 0), QStringLiteral("SUB TOP"));
        QCOMPARE(cell(table, 1, 1) + u' ' + cell(table, 1, 2), QStringLiteral("2 6"));
        QCOMPARE(f.desktop.messages().size(), 1);
    }
};

QTEST_MAIN(WhereUsedTest)
#include "where_used_test.moc"
