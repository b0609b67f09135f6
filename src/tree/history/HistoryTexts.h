#pragma once

// The texts of the change history: its readable columns, as the Change History window's
// details and exports say them; its one line a change, as the window lists it; its fields as
// data, as bom-import --history writes them for scripts; and the moments "as of" reads.
// One place, so that they say the same.

#include "store/History.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

class QLocale;

namespace tree {

/// How a change's time is written: the user's local time, as the window shows it, or ISO 8601
/// in UTC, for scripts.
enum class HistoryTime { Local, IsoUtc };

/// The column headings: Time, Who, Source, Command, Reason, Table, Assembly, Component,
/// Before, After.
QStringList historyHeader();

/// One change as the columns show it, texts exactly as the history holds them. A change found
/// afterwards shows "between T1 and T2" as its time; an absent row shows "—". The history's
/// own words in English, as the exports write them, or `shown` in the user's language.
QStringList historyCells(const store::ChangeRecord& change, HistoryTime time, bool shown = false);

/// Where a change came from, in the user's language ("another editor").
QString sourceShown(store::ChangeSource source);

/// The changes as CSV, a header record first; texts that spreadsheets would run as formulas
/// are guarded as the bill's exports guard them.
QByteArray historyCsv(const std::vector<store::ChangeRecord>& changes, HistoryTime time);

/// One change on one line, as the Change History lists it: "13:48 root@vm · Change Quantity ·
/// ASM-ARM-20 › PRT-SPRING 2 → 3". The time of day alone for a change of `today`, the date
/// too for an earlier one; the source where the change names no command.
QString historySummary(const store::ChangeRecord& change, const QDate& today);

/// Every field of one change, one "Name: value" a line, for the pane under the list.
QString historyDetails(const store::ChangeRecord& change);

/// The column headings of the changes as data: one field a column.
QStringList historyDataHeader();

/// The changes as data for scripts, a header record first: one field a column (historyDataHeader),
/// the time in ISO 8601 UTC, IDs and texts exactly as stored, a Null empty. No guard against
/// formulas: a script gets back what the tables hold.
QByteArray historyDataCsv(const std::vector<store::ChangeRecord>& changes);

/// A moment typed by the user, to the second, in local time: "2026-12-10 08:00", "2026-12-10
/// 08:00:05", ISO 8601 with a T, the locale's short and long forms, a date alone (the start of
/// that day) or a time alone (that time `today`). Empty when the text is none of them.
std::optional<QDateTime> typedMoment(const QString& text, const QLocale& locale,
                                     const QDate& today);

/// A moment as the "as of" fields show it, local time: "2026-12-10 08:00:05" for the whole of
/// a second (its last millisecond), "2026-12-10 08:00:05.291" for any other moment.
QString momentText(const QDateTime& moment);
/// The moment "as of" shows for a typed text (typedMoment): one typed to the millisecond is
/// exactly that moment; any other holds every change up to the end of its second. So a moment
/// that momentText wrote reads back as itself.
std::optional<QDateTime> asOfMoment(const QString& typed, const QLocale& locale,
                                    const QDate& today);

/// What "as of" says when the moment asked lies before the history's `start`: " (the history
/// starts at 13:47:05; showing that)", the date too unless it is today.
QString historyStartNote(const QDateTime& start);

} // namespace tree
