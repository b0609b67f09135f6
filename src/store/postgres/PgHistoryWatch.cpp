#include "store/postgres/PgHistoryWatch.h"

#include "store/postgres/PgHistorySql.h"
#include <QCoreApplication>

namespace store::pg {

namespace {

QDateTime momentOf(const QString& text) {
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, Qt::ISODateWithMs);
}

QString shownMoment(const QDateTime& moment) {
    return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString tablesOf(const HistoryTriggers& state) {
    return state.tables.isEmpty() ? QCoreApplication::translate("store", "ItemMaster and BomDetail")
                                  : state.tables;
}

} // namespace

HistoryTriggers HistoryTriggers::read(const QStringList& columns) {
    HistoryTriggers state;
    if (columns.size() < 5)
        return state;
    state.whole = columns.at(0) == QLatin1StringView("t");
    if (!columns.at(1).isEmpty())
        state.gap = columns.at(1).toLongLong();
    state.opened = momentOf(columns.at(2));
    state.closed = momentOf(columns.at(3));
    state.tables = columns.at(4);
    return state;
}

QString gapRefusal(const QString& shown, const HistoryTriggers& gap) {
    if (!gap.closed.isValid())
        return QCoreApplication::translate(
                   "store", "The history of '%1' records no changes now: its triggers on %2 "
                            "were disabled or dropped after %3, so no earlier moment can be "
                            "shown exactly (bom-import --enable-history puts them back).")
            .arg(shown, tablesOf(gap), shownMoment(gap.opened));
    return QCoreApplication::translate(
               "store", "The history of '%1' is not whole before %2: its triggers on %3 were "
                        "disabled, dropped or made anew between %4 and %2, and what was "
                        "written meanwhile was not recorded.")
        .arg(shown, shownMoment(gap.closed), tablesOf(gap), shownMoment(gap.opened));
}

QString HistoryGapWatch::check(const FirstRow& firstRow) {
    const std::optional<QStringList> checkable = firstRow(pgschema::SelectHistoryCheckable);
    if (!checkable || checkable->value(0) != QLatin1StringView("t"))
        return {};
    const std::optional<QStringList> row = firstRow(pgschema::CheckHistoryTriggers.data());
    if (!row)
        return {};
    const HistoryTriggers state = HistoryTriggers::read(*row);
    const bool first = !m_checked;
    const bool news = first ? !state.whole
                            : state.whole != m_whole || state.gap != m_gap ||
                                  state.closed != m_closed;
    m_checked = true;
    m_whole = state.whole;
    m_gap = state.gap;
    m_closed = state.closed;
    if (!news)
        return {};
    if (!state.whole)
        return QCoreApplication::translate(
                   "store", "The server's history records no changes: its triggers on %1 were "
                            "disabled or dropped (bom-import --enable-history puts them back)")
            .arg(tablesOf(state));
    if (!state.gap || !state.closed.isValid())
        return {};
    return QCoreApplication::translate(
               "store", "The server's history missed what was written between %1 and %2: its "
                        "triggers on %3 were disabled or made anew meanwhile; “as of” "
                        "a moment before %2 is not shown")
        .arg(shownMoment(state.opened), shownMoment(state.closed), tablesOf(state));
}

} // namespace store::pg
