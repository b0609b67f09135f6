// The database check's reads from a server: both tables once each in one snapshot. The
// server keeps every text valid in the database's encoding, so IDs arrive as text.

#include "store/postgres/PgStore.h"

#include "store/DatabaseCheck.h"

namespace store {

using PgStatement = pg::SessionStatement;
using PgTransaction = pg::SessionTransaction;

namespace {

constexpr QLatin1StringView SelectCheckItems{"SELECT itemid, itemuom FROM itemmaster"};
constexpr QLatin1StringView SelectCheckLines{"SELECT bomid, bomcomp, bomqtyreq FROM bomdetail"};
/// The planner's figures for both tables (negative for a table never analysed).
constexpr QLatin1StringView SelectCheckEstimates{
    "SELECT greatest((SELECT reltuples FROM pg_class WHERE oid = to_regclass('itemmaster')), 0)"
    "::bigint, greatest((SELECT reltuples FROM pg_class WHERE oid = to_regclass('bomdetail')),"
    " 0)::bigint"};

constexpr int Step = 4096;

} // namespace

bool PgStore::readForCheck(CheckSink& sink) {
    pg::Session& db = *m_session;
    const QString readItems = QStringLiteral("Could not read ItemMaster");
    const QString readLines = QStringLiteral("Could not read BomDetail");
    PgTransaction snapshot(db, QStringLiteral("Could not read the database"),
                           PgTransaction::Kind::Snapshot);
    {
        PgStatement estimates(db, SelectCheckEstimates, readLines);
        estimates.exec();
        if (estimates.next())
            sink.expect(estimates.value(0).toLongLong(), estimates.value(1).toLongLong());
    }
    {
        PgStatement items(db, SelectCheckItems, readItems);
        items.exec();
        StoredId id;
        for (int row = 1; items.next(); ++row) {
            id.text = items.string(0);
            sink.item(id, items.string(1));
            if (row % Step == 0 && !sink.proceed())
                return false;
        }
    }
    PgStatement lines(db, SelectCheckLines, readLines);
    lines.exec();
    StoredId assembly;
    StoredId component;
    StoredQuantity quantity;
    for (int row = 1; lines.next(); ++row) {
        // A bill's lines come one after another: its assembly stays one shared text, which
        // the check then knows again without seeking it.
        if (QString text = lines.string(0); text != assembly.text)
            assembly.text = std::move(text);
        component.text = lines.string(1);
        quantity = lines.isNull(2)
                       ? StoredQuantity{StoredQuantity::Null, 0, {}}
                       : StoredQuantity{StoredQuantity::Number, lines.value(2).toDouble(), {}};
        sink.line(assembly, component, quantity);
        if (row % Step == 0 && !sink.proceed())
            return false;
    }
    return sink.proceed();
}

} // namespace store
