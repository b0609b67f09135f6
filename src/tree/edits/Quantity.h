#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

#include <optional>

namespace tree {

/// A quantity as the statistics panel shows it: the general number format of the locale (up
/// to 15 significant digits, no digit grouping, no fixed decimals).
QString formatQuantity(double quantity, const QLocale& locale = QLocale());

/// The quantity a user typed, read one way only: as a number of `locale` (by default the
/// user's) or as a plain number with '.' as the decimal point, which every keyboard offers.
/// Digit grouping is never accepted; where the locale groups with '.' (German: "1.000") a
/// text that both readings take with different values is refused as ambiguous, so that "1.5"
/// is 1.5 but "1.000" is neither 1 nor 1000. Empty when the text is no finite number; then
/// quantityProblem says why.
std::optional<double> parseQuantity(const QString& text, const QLocale& locale = QLocale());

/// Why `text` is no quantity under `locale`, in the words shown after the number 1032 ("'abc'
/// is not a quantity: ..."); empty when parseQuantity takes it.
QString quantityProblem(const QString& text, const QLocale& locale = QLocale());

/// Whether a quantity as stored is a number: not Null, and not text that reads as none (what
/// another program may write into the column).
bool isNumber(const QVariant& stored);

/// A count as texts say it: "1 line", "3 lines".
QString counted(qint64 count, const QString& one, const QString& many);

} // namespace tree
