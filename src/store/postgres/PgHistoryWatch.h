#pragma once

// Whether a server's history records every change: its triggers checked against the
// fingerprint it keeps (check_triggers, PgHistorySql.h), and what the watch and "as of" say of
// a gap. Used by the files of src/store/postgres.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace store::pg {

/// What check_triggers answers: whether all the history's triggers fire now, and its newest
/// gap, if any.
struct HistoryTriggers {
    bool whole = true;
    std::optional<qint64> gap;
    QDateTime opened; ///< the last moment the triggers were found unchanged before the gap
    QDateTime closed; ///< when they were found whole again; invalid while they are not
    QString tables;   ///< "BomDetail", "ItemMaster" or "BomDetail and ItemMaster"

    /// From the columns of CheckHistoryTriggers as text (Null as an empty string).
    static HistoryTriggers read(const QStringList& columns);
};

/// Why "as of" a moment on server `shown` is refused because of `gap` (HistoryGap's text).
QString gapRefusal(const QString& shown, const HistoryTriggers& gap);

/// The watch's part: checks the history's triggers whenever the watch reads its change
/// triggers, and says what is news, once each: triggers that do not fire (at the first check
/// too), and each new gap once they fire again.
class HistoryGapWatch {
public:
    /// The first row of a statement's answer, as text; none for a failure or no row.
    using FirstRow = std::function<std::optional<QStringList>(const char* sql)>;
    /// Runs the check through `firstRow` where the server's history has one; what to say,
    /// empty for nothing new.
    QString check(const FirstRow& firstRow);

private:
    bool m_checked = false;
    bool m_whole = true;
    std::optional<qint64> m_gap;
    QDateTime m_closed;
};

} // namespace store::pg
