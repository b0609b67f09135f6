// The database check's reads from a server: both tables once each in one snapshot. The
// server keeps every text valid in the database's encoding, so IDs arrive as text.

#include "store/postgres/PgStore.h"

#include "store/DatabaseCheck.h"
#include <QCoreApplication>

namespace store {

using PgStatement = pg::SessionStatement;
using PgTransaction = pg::SessionTransaction;

namespace {

/// The planner's figures for both tables (negative for a table never analysed).
constexpr QLatin1StringView SelectCheckEstimates{
    "SELECT greatest((SELECT reltuples FROM pg_class WHERE oid = to_regclass('itemmaster')), 0)"
    "::bigint, greatest((SELECT reltuples FROM pg_class WHERE oid = to_regclass('bomdetail')),"
    " 0)::bigint"};

/// The check's reads go through cursors of its snapshot, 4,096 rows at a time: the
/// progress is told and a Cancel seen while the rows come, and a large table is never held
/// whole in memory.
constexpr QLatin1StringView DeclareCheckItems{
    "DECLARE bom_check_items NO SCROLL CURSOR FOR SELECT itemid, itemuom FROM itemmaster"};
constexpr QLatin1StringView FetchCheckItems{"FETCH 4096 FROM bom_check_items"};
constexpr QLatin1StringView DeclareCheckLines{
    "DECLARE bom_check_lines NO SCROLL CURSOR FOR SELECT bomid, bomcomp, bomqtyreq FROM bomdetail"};
constexpr QLatin1StringView FetchCheckLines{"FETCH 4096 FROM bom_check_lines"};

/// Reads the cursor step by step, calling `take` for each row; false once the sink says stop.
template <typename Take>
bool readSteps(pg::Session& db, QLatin1StringView declare, QLatin1StringView fetch,
               const QString& what, CheckSink& sink, Take take) {
    db.execute(declare, what, QueryFailed);
    for (;;) {
        PgStatement step(db, fetch, what);
        step.adopt(db.execute(fetch, what, QueryFailed));
        bool any = false;
        while (step.next()) {
            any = true;
            take(step);
        }
        if (!any)
            return true;
        if (!sink.proceed())
            return false;
    }
}

} // namespace

bool PgStore::readForCheck(CheckSink& sink) {
    pg::Session& db = *m_session;
    const QString readItems = QCoreApplication::translate("store", "Could not read ItemMaster");
    const QString readLines = QCoreApplication::translate("store", "Could not read BomDetail");
    PgTransaction snapshot(db, QCoreApplication::translate("store", "Could not read the database"),
                           PgTransaction::Kind::Snapshot);
    {
        PgStatement estimates(db, SelectCheckEstimates, readLines);
        estimates.exec();
        if (estimates.next())
            sink.expect(estimates.value(0).toLongLong(), estimates.value(1).toLongLong());
    }
    StoredId id;
    const bool itemsRead =
        readSteps(db, DeclareCheckItems, FetchCheckItems, readItems, sink,
                  [&](const PgStatement& items) {
                      id.text = items.string(0);
                      sink.item(id, items.string(1));
                  });
    if (!itemsRead)
        return false;
    StoredId assembly;
    StoredId component;
    StoredQuantity quantity;
    const bool linesRead =
        readSteps(db, DeclareCheckLines, FetchCheckLines, readLines, sink,
                  [&](const PgStatement& lines) {
                      // A bill's lines come one after another: its assembly stays one shared
                      // text, which the check then knows again without seeking it.
                      if (QString text = lines.string(0); text != assembly.text)
                          assembly.text = std::move(text);
                      component.text = lines.string(1);
                      quantity = lines.isNull(2) ? StoredQuantity{StoredQuantity::Null, 0, {}}
                                                 : StoredQuantity{StoredQuantity::Number,
                                                                  lines.value(2).toDouble(), {}};
                      sink.line(assembly, component, quantity);
                  });
    if (!linesRead)
        return false;
    return sink.proceed();
}

} // namespace store
