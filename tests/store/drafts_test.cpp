// Drafts of changes against a model of three states: the base each line had when it entered
// the draft, the draft, and the tables as another program leaves them. Random drafts over random
// structures are edited through the draft's store, then applied with another program's write
// (or another editor's apply) put at each step of the apply: the tables never gain a line
// before the apply, an apply writes all or nothing, and a line changed since it entered the
// draft is never overwritten unless the user chose so.

#include "store/DraftApply.h"
#include "store/DraftStore.h"
#include "store/History.h"
#include "store/ItemKey.h"
#include "store/sqlite/history/HistoryFile.h"
#include "support/BackendSuite.h"
#include "support/TestDatabase.h"

#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <functional>

using namespace store;

namespace {

using Key = QPair<QString, QString>; // the IDs as written, each pair once
using Model = QMap<Key, double>;      // a line's quantity by its key

/// The lines as StoreBackend::lines() reads them, in the tables' key order.
QStringList shown(const Model& lines) {
    QList<Key> keys = lines.keys();
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::pair(orderKey(a.first), orderKey(a.second)) <
               std::pair(orderKey(b.first), orderKey(b.second));
    });
    QStringList rows;
    for (const Key& key : keys)
        rows.append(QStringLiteral("%1>%2=%3").arg(key.first, key.second).arg(lines.value(key)));
    return rows;
}

bool hasCycle(const Model& lines) {
    QMap<QString, QStringList> below;
    for (auto line = lines.cbegin(); line != lines.cend(); ++line)
        below[line.key().first].append(line.key().second);
    QMap<QString, int> state; // 1 on the path, 2 done
    std::function<bool(const QString&)> visit = [&](const QString& id) {
        state[id] = 1;
        for (const QString& next : below.value(id))
            if (state.value(next) == 1 || (state.value(next) == 0 && visit(next)))
                return true;
        state[id] = 2;
        return false;
    };
    for (auto bill = below.cbegin(); bill != below.cend(); ++bill)
        if (state.value(bill.key()) == 0 && visit(bill.key()))
            return true;
    return false;
}

/// The drafts with a step of another program's put before one of their calls.
class Interleaved : public Drafts {
public:
    Interleaved(Drafts& drafts, QString at, std::function<void()> other)
        : m_drafts(drafts), m_at(std::move(at)), m_other(std::move(other)) {}
    std::vector<DraftInfo> list() override { return m_drafts.list(); }
    DraftInfo find(const QString& name) override { return step("find"), m_drafts.find(name); }
    DraftInfo create(const QString& n, const QString& r) override { return m_drafts.create(n, r); }
    std::vector<DraftLine> lines(qint64 d) override { return step("lines"), m_drafts.lines(d); }
    void putLines(qint64 d, const std::vector<DraftLine>& l) override { m_drafts.putLines(d, l); }
    bool claim(qint64 d) override { return step("claim"), m_drafts.claim(d); }
    void markApplied(qint64 d) override { step("markApplied"), m_drafts.markApplied(d); }
    void release(qint64 d) override { m_drafts.release(d); }
    void settle(qint64 d, bool w) override { m_drafts.settle(d, w); }
    void discard(qint64 d) override { m_drafts.discard(d); }
    DraftEditor hold(qint64 d) override { return m_drafts.hold(d); }
    void letGo(qint64 d) override { m_drafts.letGo(d); }

private:
    void step(const char* name) {
        if (m_other && m_at == QLatin1String(name))
            std::exchange(m_other, nullptr)();
    }
    Drafts& m_drafts;
    QString m_at;
    std::function<void()> m_other;
};

} // namespace

class DraftsTest : public BackendSuite {
    Q_OBJECT

private:
    /// Runs one statement with bound values as another program, on the current row's database.
    void otherProgram(const QString& sql, const QVariantList& values) {
        if (kind() == StoreBackend::Postgres) {
            execOnServer(m_server, {sql}, values);
            return;
        }
        const QString name = QStringLiteral("other-program");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.prepare(sql));
            for (const QVariant& value : values)
                q.addBindValue(value);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        QSqlDatabase::removeDatabase(name);
    }

    /// The database of the row with the one line A>B=1 and its history kept (for drafts); empty
    /// where the row's server is missing.
    QString oneLineWithHistory() {
        if (kind() == StoreBackend::Postgres && !needServer())
            return {};
        backend().write({{QStringLiteral("A"), {}, {}}, {QStringLiteral("B"), {}, {}}},
                        {{QStringLiteral("A"), QStringLiteral("B"), 1.0}});
        const QString location = backend().address();
        if (kind() == StoreBackend::Postgres)
            enableServerHistory(location);
        return location;
    }

    QString m_path;

private Q_SLOTS:
    void initTestCase() { setFileHistoryKept(true); }

    void randomDraftsMeetOtherWritesAtEveryStep();
    void unavailableWhereNoPlace();
    void aKilledApplyIsSettledFromTheTables();
    void oneEditorAtATime();
};

void DraftsTest::randomDraftsMeetOtherWritesAtEveryStep() {
    if (kind() == StoreBackend::Postgres && !needServer())
        return;
    const QStringList steps{QStringLiteral("find"), QStringLiteral("lines"),
                            QStringLiteral("claim"), QStringLiteral("markApplied"),
                            QStringLiteral("none"), QStringLiteral("editor")};
    const QStringList ids{QStringLiteral("A0"), QStringLiteral("a1-\u00dc"), QStringLiteral("A'2"),
                          QStringLiteral("A3"), QStringLiteral("A4 x"), QStringLiteral("A5"),
                          QStringLiteral("A6"), QStringLiteral("A7")};
    const int n = int(ids.size());
    for (int seed = 1; seed <= 24; ++seed) {
        const QString at = steps.at(seed % steps.size());
        QRandomGenerator random(quint32(seed) * 7919u);
        const auto pick = [&](int bound) { return int(random.bounded(bound)); };
        m_path = m_dir.filePath(QStringLiteral("drafts-%1.db").arg(seed));
        const StoreBackend db(kind(), m_path, &m_server);
        std::vector<ItemRow> items;
        for (const QString& id : ids)
            items.push_back({id, QStringLiteral("item ") + id, QStringLiteral("EA")});
        Model live;
        std::vector<Line> lines;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (pick(3) == 0) {
                    live.insert({ids[i], ids[j]}, 1 + pick(5));
                    lines.push_back({ids[i], ids[j], live.value({ids[i], ids[j]})});
                }
        db.write(items, lines);
        if (kind() == StoreBackend::Postgres)
            enableServerHistory(db.address());
        const QString name = QStringLiteral("ECO-%1").arg(seed);
        openDrafts(db.address())->create(name, QStringLiteral("reason %1").arg(seed));

        // Edits into the draft, each checked against the tables with the draft applied.
        Model view = live;
        // As the tables held each line when it entered the draft; -1 for no line.
        Model base;
        const auto enter = [&](const Key& key) {
            if (!base.contains(key))
                base.insert(key, live.value(key, -1));
        };
        for (int edit = 0; edit < 10; ++edit) {
            const std::unique_ptr<DraftStore> draft = openDraftStore(db.address(), name);
            const int i = pick(n);
            const int j = pick(n);
            const Key key{ids[i], ids[j]};
            const double quantity = 10 + pick(20);
            const int what = pick(4);
            const auto [number, text] = failureOf([&] {
                if (what == 0)
                    draft->addLine(key.first, key.second, quantity, QDateTime::currentDateTime());
                else if (what == 1)
                    draft->takeLine(key.first, key.second);
                else if (what == 2)
                    draft->changeQuantity(key.first, key.second, view.value(key), quantity);
                else
                    draft->writeLines({{}, {newLine(key.first, key.second, quantity),
                                            newLine(key.second, key.first, quantity + 1)}});
            });
            Model expected = view;
            int refusal = 0;
            if (what == 0 || what == 3) {
                const QList<Key> added = what == 0 ? QList<Key>{key}
                                                   : QList<Key>{key, {key.second, key.first}};
                for (const Key& line : added) {
                    Model tried = expected;
                    tried.insert(line, 0);
                    if (line.first == line.second || hasCycle(tried))
                        refusal = CircularComponent;
                    else if (expected.contains(line))
                        refusal = DuplicateLine;
                    if (refusal)
                        break;
                    expected.insert(line, line == key ? quantity : quantity + 1);
                }
            } else if (!view.contains(key)) {
                refusal = what == 1 ? 0 : LineChanged;
            } else if (what == 1) {
                expected.remove(key);
            } else {
                expected.insert(key, quantity);
            }
            QCOMPARE(number, refusal);
            if (!refusal && expected != view) {
                for (auto line = expected.cbegin(); line != expected.cend(); ++line)
                    if (!view.contains(line.key()) || view.value(line.key()) != line.value())
                        enter(line.key());
                for (auto line = view.cbegin(); line != view.cend(); ++line)
                    if (!expected.contains(line.key()))
                        enter(line.key());
                view = expected;
            }
            Q_UNUSED(text);
            // The tables stay untouched; the draft's store reads the tables with it applied.
            QCOMPARE(db.lines(), shown(live));
            Model read;
            const std::unique_ptr<DraftStore> again = openDraftStore(db.address(), name);
            for (const QString& id : ids)
                for (const LineRow& row : again->lineRowsOf(id))
                    read.insert({row.assembly, row.component}, row.quantity.toDouble());
            QCOMPARE(shown(read), shown(view));
        }
        // Lines edited back to their base are no lines of the draft.
        for (auto line = base.cbegin(); line != base.cend();)
            line = view.value(line.key(), -1) == *line ? base.erase(line) : std::next(line);

        // Another program's write at one step of the apply: mostly a drafted line's.
        Model other = live;
        QString deletedItem;
        const auto readTables = [&] {
            other.clear();
            for (const QString& row : db.lines()) {
                const qsizetype gt = row.indexOf(u'>');
                const qsizetype eq = row.lastIndexOf(u'=');
                other.insert({row.left(gt), row.mid(gt + 1, eq - gt - 1)},
                             row.mid(eq + 1).toDouble());
            }
        };
        const auto otherWrite = [&] {
            readTables();
            const QList<Key> drafted = base.keys();
            if (pick(6) == 0) {
                // An item that no drafted line starts a bill with.
                QStringList deletable = ids;
                for (const Key& key : drafted)
                    deletable.removeAll(key.first);
                if (!deletable.isEmpty()) {
                    deletedItem = deletable[pick(int(deletable.size()))];
                    otherProgram(QStringLiteral("DELETE FROM ItemMaster WHERE ItemID = ?"),
                                 {deletedItem});
                    return;
                }
            }
            const int i = pick(n - 1);
            const int j = i + 1 + pick(n - 1 - i);
            const Key key = !drafted.isEmpty() && pick(4) != 0 ? drafted[pick(int(drafted.size()))]
                                                               : Key{ids[i], ids[j]};
            if (other.contains(key) && pick(2) == 0) {
                otherProgram(QStringLiteral("DELETE FROM BomDetail WHERE BomID = ? AND BomComp = ?"),
                             {key.first, key.second});
                other.remove(key);
            } else if (other.contains(key)) {
                otherProgram(QStringLiteral("UPDATE BomDetail SET bomQtyReq = ? WHERE BomID = ? "
                                            "AND BomComp = ?"),
                             {100.0 + pick(9), key.first, key.second});
            } else if (key.first != key.second) {
                Model tried = other;
                tried.insert(key, 0);
                if (hasCycle(tried))
                    return;
                otherProgram(QStringLiteral("INSERT INTO BomDetail VALUES (?, ?, ?, "
                                            "'2001-01-01 00:00:00')"),
                             {key.first, key.second, 200.0 + pick(9)});
            }
            readTables();
        };
        const std::unique_ptr<Drafts> drafts = openDrafts(db.address());
        std::function<void()> interleaved = otherWrite;
        if (at == QLatin1String("editor"))
            interleaved = [&] {
                const std::unique_ptr<Store> editor = openStore(db.address());
                QVERIFY(applyDraft(*editor, *openDrafts(db.address()), name).applied);
            };
        if (at == QLatin1String("none"))
            interleaved = nullptr;
        Interleaved apply(*drafts, at == QLatin1String("editor") ? QStringLiteral("claim") : at,
                          interleaved);
        // As the editor opens it: its writes recorded in the history.
        const std::unique_ptr<Store> store = openStore(db.address());
        const Model before = live;

        // What the model expects of the tables as the apply compares them.
        const auto written = [&](const Model& tables, const QSet<Key>& keepLive) {
            Model result = tables;
            for (auto line = base.cbegin(); line != base.cend(); ++line) {
                if (keepLive.contains(line.key()))
                    continue;
                if (view.contains(line.key()))
                    result.insert(line.key(), view.value(line.key()));
                else
                    result.remove(line.key());
            }
            return result;
        };
        const auto changedSince = [&](const Model& tables) {
            QSet<Key> changed;
            for (auto line = base.cbegin(); line != base.cend(); ++line) {
                const double now = tables.value(line.key(), -1);
                if (now != *line && now != view.value(line.key(), -1))
                    changed.insert(line.key());
            }
            return changed;
        };
        // A refusal of today's checks: a line written whose component left the Item Master,
        // or a cycle that another program's line closes.
        const auto refusalsOf = [&](const Model& tables, const QSet<Key>& keepLive) {
            QList<int> refusals;
            if (hasCycle(written(tables, keepLive)))
                refusals.append(CircularComponent);
            for (auto line = base.cbegin(); line != base.cend(); ++line)
                if (!keepLive.contains(line.key()) && view.contains(line.key()) &&
                    line.key().second == deletedItem &&
                    tables.value(line.key(), -1) != view.value(line.key()))
                    refusals.append(PasteUnknownItem);
            return refusals;
        };
        const auto expected = [](int number, const QList<int>& refusals) {
            return refusals.isEmpty() ? number == 0 : refusals.contains(number);
        };

        DraftApplyResult result;
        const auto [number, text] = failureOf([&] { result = applyDraft(*store, apply, name); });
        const bool afterCommit = at == QLatin1String("markApplied");
        const Model compared = afterCommit ? before : other;
        if (at == QLatin1String("editor")) {
            // The other editor applied it: this apply is told so and writes nothing more.
            QCOMPARE(number, int(DraftNotOpen));
            QVERIFY2(text.contains(QStringLiteral("applied by")), qPrintable(text));
            QCOMPARE(db.lines(), shown(written(before, {})));
            continue;
        }
        const QSet<Key> changed = changedSince(compared);
        if (!changed.isEmpty()) {
            // Stopped before writing, every changed line reported with its three rows.
            QCOMPARE(number, 0);
            QVERIFY(!result.applied);
            QSet<Key> reported;
            for (const DraftLineNow& line : result.changed) {
                reported.insert({line.line.assembly(), line.line.component()});
                QCOMPARE(line.since, DraftLineNow::Since::Changed);
            }
            QCOMPARE(reported, changed);
            QCOMPARE(db.lines(), shown(other));
            // Then the user keeps some as they are live and takes the draft for the others.
            DraftChoices choices;
            QSet<Key> keepLive;
            for (const DraftLineNow& line : result.changed) {
                const bool keep = pick(2) == 0;
                choices.insert(draftKey(line.line), keep ? DraftChoice::KeepLive
                                                         : DraftChoice::TakeDraft);
                if (keep)
                    keepLive.insert({line.line.assembly(), line.line.component()});
            }
            const QList<int> refusals = refusalsOf(other, keepLive);
            const auto [again, why] =
                failureOf([&] { result = applyDraft(*store, *drafts, name, choices); });
            QVERIFY2(expected(again, refusals), qPrintable(why));
            QCOMPARE(db.lines(), shown(again ? other : written(other, keepLive)));
            continue;
        }
        QVERIFY2(expected(number, refusalsOf(compared, {})),
                 qPrintable(QStringLiteral("%1 at %2: %3").arg(number).arg(at, text)));
        if (number) {
            // Nothing written; the draft stays open for another try.
            QCOMPARE(db.lines(), shown(other));
            QCOMPARE(drafts->find(name).state, DraftState::Open);
            continue;
        }
        QVERIFY(result.applied);
        QCOMPARE(db.lines(), shown(afterCommit ? other : written(other, {})));
        const DraftInfo applied = drafts->find(name);
        QCOMPARE(applied.state, DraftState::Applied);
        QVERIFY(applied.applyingBy.isEmpty());
        // Kept read-only; a second apply is told who applied it.
        QCOMPARE(failureOf([&] { openDraftStore(db.address(), name); }).first, int(DraftNotOpen));
        QCOMPARE(failureOf([&] { applyDraft(*store, *drafts, name); }).first, int(DraftNotOpen));
        // One change set in the history, named by the draft, with its reason.
        // (A server's triggers may record a line replaced as its delete and its insert.)
        std::vector<ChangeRecord> records;
        QSet<Key> recorded;
        for (const ChangeRecord& record : openHistory(db.address())->changes({}))
            if (record.command == QStringLiteral("Apply Draft ") + name) {
                records.push_back(record);
                recorded.insert({record.key, record.component});
            }
        QCOMPARE(qint64(recorded.size()), result.written);
        for (const ChangeRecord& record : records) {
            QCOMPARE(record.changeSet, records.front().changeSet);
            QCOMPARE(record.reason, QStringLiteral("reason %1").arg(seed));
        }
    }
}

void DraftsTest::unavailableWhereNoPlace() {
    if (kind() == StoreBackend::Postgres && !needServer())
        return;
    backend().write({{QStringLiteral("A"), {}, {}}}, {});
    if (kind() == StoreBackend::Sqlite) {
        setFileHistoryKept(false);
        QCOMPARE(failureOf([&] { openDrafts(backend().address()); }).first,
                 int(DraftsUnavailable));
        setFileHistoryKept(true);
    } else {
        // A server without the history's side schema has no place for drafts either.
        disableServerHistory(backend().address());
        QCOMPARE(failureOf([&] { openDrafts(backend().address()); }).first,
                 int(DraftsUnavailable));
        enableServerHistory(backend().address());
    }
    const std::unique_ptr<Drafts> drafts = openDrafts(backend().address());
    drafts->create(QStringLiteral("Eco 1"), {});
    QCOMPARE(failureOf([&] { drafts->create(QStringLiteral("ECO 1"), {}); }).first,
             int(DraftNameTaken));
    drafts->discard(drafts->find(QStringLiteral("eco 1")).id);
    QCOMPARE(failureOf([&] { openDraftStore(backend().address(), QStringLiteral("Eco 1")); }).first,
             int(DraftNotOpen));
}

void DraftsTest::aKilledApplyIsSettledFromTheTables() {
    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const QString location = oneLineWithHistory();
    if (location.isEmpty())
        return;
    m_path = location;
    const std::unique_ptr<Drafts> drafts = openDrafts(location);
    // An apply killed after its claim, once after its commit and once before it.
    for (const bool committed : {true, false}) {
        const QString name = committed ? QStringLiteral("after") : QStringLiteral("before");
        const qint64 id = drafts->create(name, {}).id;
        openDraftStore(location, name)->changeQuantity(a, b, committed ? 1.0 : 5.0,
                                                       committed ? 5.0 : 7.0);
        QVERIFY(drafts->claim(id));
        if (committed)
            otherProgram(QStringLiteral("UPDATE BomDetail SET bomQtyReq = 5"), {});
        const std::unique_ptr<Store> store = openStore(location);
        // While the apply may still be under way, nobody else applies or edits the draft.
        QCOMPARE(failureOf([&] { applyDraft(*store, *drafts, name); }).first,
                 int(DraftBeingApplied));
        QCOMPARE(failureOf([&] { openDraftStore(location, name)->takeLine(a, b); }).first,
                 int(DraftNotOpen));
        // A minute later it is settled from what the tables hold.
        if (kind() == StoreBackend::Postgres)
            execOnServer(m_server, {QStringLiteral("UPDATE bom_history.draft SET applying_at = "
                                                   "applying_at - interval '2 minutes'")});
        else
            execOn(history::historyPlace(location).path,
                   {QStringLiteral("UPDATE Draft SET ApplyingAt = ApplyingAt - 120000")});
        const auto [number, text] = failureOf([&] { applyDraft(*store, *drafts, name); });
        QCOMPARE(number, committed ? int(DraftNotOpen) : 0);
        QCOMPARE(drafts->find(name).state, DraftState::Applied);
        QCOMPARE(backend().lines(), QStringList{committed ? QStringLiteral("A>B=5")
                                                          : QStringLiteral("A>B=7")});
    }
}

void DraftsTest::oneEditorAtATime() {
    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const QString location = oneLineWithHistory();
    if (location.isEmpty())
        return;
    const std::unique_ptr<Drafts> drafts = openDrafts(location);
    const qint64 id = drafts->create(QStringLiteral("ECO"), {}).id;
    const QString here = draftHolderToken();
    const auto edit = [&](double quantity) {
        return failureOf([&] {
                   const std::unique_ptr<DraftStore> draft =
                       openDraftStore(location, QStringLiteral("ECO"));
                   draft->changeQuantity(a, b, draft->findQuantity(a, b)->value(), quantity);
               })
            .first;
    };
    // An edit takes the draft; another editor then reads it and cannot write into it.
    QCOMPARE(edit(2.0), 0);
    QVERIFY(drafts->hold(id).here);
    setDraftHolderToken(QStringLiteral("another editor"));
    const DraftEditor seen = drafts->hold(id);
    QVERIFY(!seen.here);
    QVERIFY(!seen.by.isEmpty());
    QCOMPARE(edit(3.0), int(DraftHeld));
    // A hold not renewed lapses: the other editor takes the draft, and this one is refused.
    if (kind() == StoreBackend::Postgres)
        execOnServer(m_server, {QStringLiteral("UPDATE bom_history.draft_editor SET renewed_at = "
                                               "renewed_at - interval '4 minutes'")});
    else
        execOn(history::historyPlace(location).path,
               {QStringLiteral("UPDATE DraftEditor SET RenewedAt = RenewedAt - 240000")});
    QCOMPARE(edit(3.0), 0);
    setDraftHolderToken(here);
    QVERIFY(!drafts->hold(id).here);
    QCOMPARE(edit(4.0), int(DraftHeld));
    // Once the other closes it, it is this editor's again; nothing refused was written.
    setDraftHolderToken(QStringLiteral("another editor"));
    drafts->letGo(id);
    setDraftHolderToken(here);
    QCOMPARE(edit(4.0), 0);
    // Nor is it discarded from under its editor.
    setDraftHolderToken(QStringLiteral("another editor"));
    QCOMPARE(failureOf([&] { drafts->discard(id); }).first, int(DraftHeld));
    setDraftHolderToken(here);
    QCOMPARE(drafts->find(QStringLiteral("ECO")).state, DraftState::Open);
    QCOMPARE(drafts->lines(id).size(), size_t(1));
    QCOMPARE(drafts->lines(id).front().draft->quantity.toDouble(), 4.0);
    QCOMPARE(backend().lines(), QStringList{QStringLiteral("A>B=1")});
}

QTEST_GUILESS_MAIN(DraftsTest)
#include "drafts_test.moc"
