#pragma once

// The columns of the change history as the Change History window lists them, and as its
// exports and bom-import --history write them: one place, so that they say the same.

#include "store/History.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

namespace shell {

/// How a change's time is written: the user's local time, as the window shows it, or ISO 8601
/// in UTC, for scripts.
enum class HistoryTime { Local, IsoUtc };

/// The column headings: Time, Who, Source, Command, Reason, Table, Assembly, Component,
/// Before, After.
QStringList historyHeader();

/// One change as the columns show it, texts exactly as the history holds them. A change found
/// afterwards shows "between T1 and T2" as its time; an absent row shows "—".
QStringList historyCells(const store::ChangeRecord& change, HistoryTime time);

/// The changes as CSV, a header record first; texts that spreadsheets would run as formulas
/// are guarded as the bill's exports guard them.
QByteArray historyCsv(const std::vector<store::ChangeRecord>& changes, HistoryTime time);

} // namespace shell
