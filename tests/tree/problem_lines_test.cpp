// What the tree shows about doubtful lines, and the refusal of a bill for an item that is not
// in the Item Master: each case runs on an SQLite file and on a throw-away PostgreSQL server,
// through the editor's operations as the window calls them.

#include "desktop/Desktop.h"
#include "store/DatabaseCheck.h"
#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "store/WholeUnits.h"
#include "support/BackendSuite.h"
#include "support/BillEditor.h"
#include "support/ScriptedDesktop.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QBrush>
#include <QDateTime>
#include <QPixmap>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;
using tree::LineProblem;
using tree::LineProblems;

namespace {


/// TOP holds one line of each kind; ORPHAN is a bill already in the file for an item that
/// ItemMaster does not hold.
std::vector<ItemRow> items() {
    return {{QStringLiteral("TOP"), QStringLiteral("Top"), QStringLiteral("EA")},
            {QStringLiteral("PART"), {}, {}}, // a row, with Null description and unit
            {QStringLiteral("NEG"), QStringLiteral("Negative"), QStringLiteral("EA")},
            {QStringLiteral("NULLQ"), QStringLiteral("No quantity"), QStringLiteral("EA")}};
}

std::vector<Line> lines() {
    return {{QStringLiteral("TOP"), QStringLiteral("PART"), 1.0},
            {QStringLiteral("TOP"), QStringLiteral("GHOST"), 0.0},
            {QStringLiteral("TOP"), QStringLiteral("NEG"), -2.0},
            {QStringLiteral("TOP"), QStringLiteral("NULLQ"), QVariant()},
            {QStringLiteral("ORPHAN"), QStringLiteral("PART"), 3.0}};
}

/// "ID=problems" for every node, depth-first: what the tree says about each line.
QStringList shownMarks(const tree::BomTreeModel& model, const QModelIndex& parent = {}) {
    QStringList result;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex node = model.index(row, 0, parent);
        result.append(model.text(node) + u'=' + QString::number(model.problemsOf(node).toInt()));
        result.append(shownMarks(model, node));
    }
    return result;
}

/// The same with every node opened.
QStringList marks(tree::BomTreeModel& model) {
    model.openAll();
    return shownMarks(model);
}

/// The marks a fresh load of `assembly` gives: the oracle for nodes that edits put in.
QStringList freshMarks(const StoreBackend& backend, const QString& assembly) {
    const auto db = backend.open();
    tree::BomDocument freshBill;
    tree::BomTreeModel fresh{freshBill};
    freshBill.load(assembly, db->reachableLines(assembly));
    return marks(fresh);
}

QModelIndex child(const tree::BomTreeModel& model, const QString& text,
                  const QModelIndex& parent = {}) {
    for (int row = 0; row < model.rowCount(parent); ++row)
        if (model.text(model.index(row, 0, parent)) == text)
            return model.index(row, 0, parent);
    return {};
}

} // namespace

class ProblemLinesTest : public BackendSuite {
    Q_OBJECT

public:
    ProblemLinesTest() : BackendSuite(QStringLiteral("lines.db")) {}

private:
    /// An editor on the backend's database, as the window holds one.
    using Editor = BillEditor;

private Q_SLOTS:
    void bothReadsTellWhetherAComponentIsInTheItemMaster() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        const auto db = backend.open();
        const auto known = [](const store::ComponentLines& read) {
            QStringList result;
            for (const store::ComponentLine& line : read)
                result.append(line.id + QChar(line.inItemMaster ? u'+' : u'-'));
            return result;
        };
        const QStringList expected{"GHOST-", "NEG+", "NULLQ+", "PART+"};
        QCOMPARE(known(db->componentsOfEach({QStringLiteral("top")}).at(0)), expected);
        QCOMPARE(known(db->allComponentLines().value(store::foldKey(QStringLiteral("TOP")))),
                 expected);
    }

    void theTreeMarksEachDoubtfulLineInWordsAndWithAnIcon() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        Editor e(backend.address());
        e.model.setProblemIcon(QIcon(QPixmap(16, 16)));
        QCOMPARE(e.editor.load(QStringLiteral("TOP")), QStringLiteral("Top"));
        const auto problems = [&](const char* id) { return e.model.problemsOf(child(e.model, id)); };
        QCOMPARE(problems("PART"), LineProblems());
        QCOMPARE(problems("GHOST"), LineProblem::UnknownItem | LineProblem::NotPositive);
        QCOMPARE(problems("NEG"), LineProblems(LineProblem::NotPositive));
        QCOMPARE(problems("NULLQ"), LineProblems(LineProblem::NullQuantity));
        QVERIFY(!e.model.problemsOf({}));

        const QModelIndex ghost = child(e.model, QStringLiteral("GHOST"));
        QCOMPARE(ghost.data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("not in the Item Master; quantity zero or negative"));
        QVERIFY(ghost.data(Qt::ToolTipRole).toString().contains(u"not in the Item Master"));
        QVERIFY(!ghost.data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(ghost.data(Qt::ForegroundRole).value<QBrush>().color(), tree::ProblemColour);
        const QModelIndex nullQuantity =
            child(e.model, QStringLiteral("NULLQ")).siblingAtColumn(tree::QuantityColumn);
        QCOMPARE(nullQuantity.data(Qt::ToolTipRole).toString(), QStringLiteral("quantity Null"));
        // A sound line says nothing and shows no icon.
        const QModelIndex part = child(e.model, QStringLiteral("PART"));
        QVERIFY(part.data(Qt::AccessibleDescriptionRole).isNull());
        QVERIFY(part.data(Qt::DecorationRole).isNull());
        QVERIFY(part.data(Qt::ForegroundRole).isNull());
        QVERIFY(e.desktop.messages().isEmpty());
    }

    void linesPutBackOrAddedCarryTheFactsOfALoad() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        Editor e(backend.address());
        e.editor.load(QStringLiteral("TOP"));
        const QStringList loaded = marks(e.model);
        // Every doubtful line deleted, then put back one by one by Undo.
        for (const char* id : {"GHOST", "NEG", "NULLQ"}) {
            e.desktop.messageAnswers = {desktop::ResultOk};
            e.edits().deleteComponent(child(e.model, QString::fromLatin1(id)));
        }
        QCOMPARE(e.model.rowCount(), 1);
        for (int i = 0; i < 3; ++i)
            e.history().undo();
        QCOMPARE(marks(e.model), loaded);
        // A drop of NEG into NULLQ with a negative quantity shows the new line's mark too.
        e.desktop.messageAnswers = {desktop::ResultYes, desktop::ResultYes}; // parent, quantity
        e.desktop.inputAnswers = {QStringLiteral("-4")};
        e.edits().addComponent(child(e.model, QStringLiteral("NULLQ")), QStringLiteral("NEG"));
        QCOMPARE(marks(e.model), freshMarks(backend, QStringLiteral("TOP")));
        QVERIFY(marks(e.model).contains(QStringLiteral("NEG=4")));
    }

    void aBillIsNeverStartedForAnItemThatIsNotInTheItemMaster() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        const QStringList before = backend.lines();
        Editor e(backend.address());

        // A mistyped ID loads silently, and says so where the user looks.
        QCOMPARE(e.editor.load(QStringLiteral("NOPE-123")), tree::notInItemMaster());
        QVERIFY2(e.status.contains(u"'NOPE-123'"), qPrintable(e.status));
        QVERIFY(e.desktop.asked.isEmpty());
        // The first component on its empty tree is refused before the quantity is asked.
        e.edits().addComponent({}, QStringLiteral("PART"));
        QCOMPARE(e.desktop.asked.size(), 1);
        QVERIFY2(e.desktop.asked.at(0).text.startsWith(u"1025 "),
                 qPrintable(e.desktop.asked.at(0).text));
        QVERIFY(e.desktop.asked.at(0).text.contains(u"NOPE-123"));
        QCOMPARE(e.model.rowCount(), 0);

        // Yes on a component that has neither a row nor lines would start GHOST's bill.
        e.desktop.asked.clear();
        e.editor.load(QStringLiteral("TOP"));
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {QStringLiteral("1")};
        e.edits().addComponent(child(e.model, QStringLiteral("GHOST")), QStringLiteral("PART"));
        QCOMPARE(e.desktop.messageTexts().size(), 2);
        QVERIFY(e.desktop.messageTexts().at(1).startsWith(u"1025 "));
        QCOMPARE(e.desktop.inputAnswers.size(), 1); // never asked
        QCOMPARE(backend.lines(), before);

        // An assembly that already has lines keeps working, row or not: No beside ORPHAN's
        // PART goes into ORPHAN.
        e.desktop.asked.clear();
        QCOMPARE(e.editor.load(QStringLiteral("ORPHAN")), tree::notInItemMaster());
        e.desktop.messageAnswers = {desktop::ResultNo};
        e.desktop.inputAnswers = {QStringLiteral("2")};
        e.edits().addComponent(child(e.model, QStringLiteral("PART")), QStringLiteral("NEG"));
        QCOMPARE(e.desktop.messageTexts().size(), 1);
        QCOMPARE(e.model.rowCount(), 2);
        QVERIFY(backend.lines().contains(QStringLiteral("ORPHAN>NEG=2")));

        // Its lines deleted down to none and put back by Undo: the bill existed, and an undo
        // restores what was there.
        for (const char* id : {"NEG", "PART"}) {
            e.desktop.messageAnswers = {desktop::ResultOk};
            e.edits().deleteComponent(child(e.model, QString::fromLatin1(id)));
        }
        QCOMPARE(e.model.rowCount(), 0);
        e.history().undo();
        e.history().undo();
        QCOMPARE(e.model.rowCount(), 2);
        QVERIFY(backend.lines().contains(QStringLiteral("ORPHAN>PART=3")));
        QVERIFY(!e.desktop.messageTexts().join(u'|').contains(u"1025"));
    }

    void theWriteChecksAgainInsideItsTransaction() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        const auto db = backend.open();
        // ORPHAN passes the check while its one line stands; another program then deletes it.
        db->checkNewLine(QStringLiteral("ORPHAN"), QStringLiteral("NEG"));
        QVERIFY(deleteLine(*backend.open(), QStringLiteral("ORPHAN"), QStringLiteral("PART")));
        const QStringList before = backend.lines();
        const auto [number, text] = failureOf([&] {
            db->addLine(QStringLiteral("orphan"), QStringLiteral("NEG"), 1,
                        QDateTime::currentDateTime());
        });
        QCOMPARE(number, int(store::UnknownAssembly));
        QVERIFY2(text.contains(u"'orphan'"), qPrintable(text));
        QCOMPARE(backend.lines(), before);
        // An item of the Item Master starts its first bill; its case does not matter.
        db->addLine(QStringLiteral("part"), QStringLiteral("NEG"), 1, QDateTime::currentDateTime());
        QVERIFY(backend.lines().contains(QStringLiteral("part>NEG=1")));
    }

    // A fraction of a unit counted in whole pieces, on random lines: the tree's mark and Check
    // Database's finding against the rule read plainly (the unit in the list, ignoring case and
    // blanks; the quantity, as the tree shows it, not a whole number), for the default units
    // and for a list of the user's own.
    void fractionsOfWholeUnitsAreMarkedAndReported() {
        const StoreBackend backend = this->backend();
        QRandomGenerator random(31);
        const QList<QVariant> units{u"EA"_s, u"ea "_s, u"Pcs"_s, u"KG"_s, u"each"_s, u"m"_s, {}};
        const QList<double> quantities{1, 2.5, 0.25, 3, 0.1 * 30, 12, 1e-3, -1.5};
        std::vector<ItemRow> rows{{u"TOP"_s, {}, u"EA"_s}};
        std::vector<Line> bill;
        for (int i = 0; i < 14; ++i) {
            rows.push_back({u"P%1"_s.arg(i), {}, units[random.bounded(units.size())]});
            const QString above = i < 6 ? u"TOP"_s : u"P%1"_s.arg(random.bounded(6));
            bill.push_back({above, u"P%1"_s.arg(i), quantities[random.bounded(quantities.size())]});
        }
        backend.write(rows, bill);
        QHash<QString, QString> unitOf;
        for (const ItemRow& row : rows)
            unitOf.insert(row.id, row.unit.toString());
        Editor e(backend.address());
        e.editor.load(u"TOP"_s);
        e.model.openAll();
        for (const QStringList& list : {store::WholeUnits::defaults(), QStringList{u" kg"_s, u"M"_s}}) {
            QSet<QString> folded;
            for (const QString& unit : list)
                folded.insert(unit.trimmed().toLower());
            QStringList expected;
            for (const Line& line : bill) {
                const QString shown = QString::number(line.quantity.toDouble(), 'g', 15);
                if (folded.contains(unitOf.value(line.component).trimmed().toLower()) &&
                    (shown.contains(u'.') || shown.contains(u"e-")))
                    expected.append(line.assembly + u'>' + line.component);
            }
            expected.sort();
            e.model.setWholeUnits(store::WholeUnits(list));
            QStringList marked;
            const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
                for (int row = 0; row < e.model.rowCount(parent); ++row) {
                    const QModelIndex node = e.model.index(row, 0, parent);
                    if (e.model.problemsOf(node).testFlag(LineProblem::NotWhole))
                        marked.append(e.model.assemblyOf(node) + u'>' + e.model.text(node));
                    walk(node);
                }
            };
            walk({});
            marked.sort();
            QCOMPARE(marked, expected);
            const auto report = store::checkDatabase(*backend.open(), {}, store::WholeUnits(list));
            QStringList found;
            for (size_t at = 0; at < report->size(); ++at)
                if (const store::CheckFinding finding = report->finding(at);
                    finding.kind == store::CheckFinding::FractionalQuantity)
                    found.append(finding.assembly + u'>' + finding.component);
            found.sort();
            QCOMPARE(found, expected);
        }
    }

    void theStatusSaysWhatEachWriteDid() {
        const StoreBackend backend = this->backend();
        backend.write(items(), lines());
        Editor e(backend.address());
        e.editor.load(QStringLiteral("TOP"));
        e.desktop.messageAnswers = {desktop::ResultYes};
        e.desktop.inputAnswers = {QStringLiteral("2")};
        e.edits().addComponent(child(e.model, QStringLiteral("PART")), QStringLiteral("NEG"));
        QCOMPARE(e.status, QStringLiteral("Added the line PART \u2192 NEG, quantity 2."));
        // PART's bill is ORPHAN's too: the question says so below its own two lines.
        QCOMPARE(e.desktop.messages().at(0).informative,
                 QStringLiteral("Yes: NEG goes into PART. No: beside PART, into TOP.\n"
                                "If Yes: PART is also used in ORPHAN: the change shows there too."));

        e.desktop.asked.clear();
        e.edits().deleteComponent(child(e.model, QStringLiteral("PART")));
        QCOMPARE(e.desktop.messages().at(0).informative,
                 QStringLiteral("Deletes the line TOP \u2192 PART, quantity 1."));
        QCOMPARE(e.status, QStringLiteral("Deleted the line TOP \u2192 PART, quantity 1."));
        e.history().undo();
        QCOMPARE(e.status, QStringLiteral("Undone: %1.").arg(e.history().text(1)));
        e.history().redo();
        QCOMPARE(e.status, QStringLiteral("Redone: %1.").arg(e.history().text(1)));
        e.edits().changeQuantity(child(e.model, QStringLiteral("NEG")), QStringLiteral("5"));
        QCOMPARE(e.history().count(), 3);
        QCOMPARE(e.status, QStringLiteral("Done: %1.").arg(e.history().text(2)));
        // A delete whose question names a Null quantity says so.
        e.desktop.asked.clear();
        e.desktop.messageAnswers = {desktop::ResultCancel};
        e.edits().deleteComponent(child(e.model, QStringLiteral("NULLQ")));
        QCOMPARE(e.desktop.messages().at(0).informative,
                 QStringLiteral("Deletes the line TOP \u2192 NULLQ, no quantity."));
    }
};

QTEST_MAIN(ProblemLinesTest)
#include "problem_lines_test.moc"
