#pragma once

#include <QString>

#include <optional>

/// Conversions of source values into the store's forms, shared by the Jet and CSV imports.
namespace import {

/// The double nearest to the shortest decimal that reads back as this Single: 0.1f becomes
/// 0.1, not 0.100000001490116. Empty for NaN and infinities.
std::optional<double> singleAsDecimal(float value);

/// A Jet Date/Time (days since 1899-12-30, the fraction the time of day, negative days
/// counting back with the time still forward) as local "YYYY-MM-DD HH:MM:SS", rounded to the
/// second. Empty outside the years 100 to 9999 and for NaN.
std::optional<QString> jetDateText(double days);

/// A CSV quantity: a decimal number with a point (blanks around it allowed), read exactly as
/// C would. Empty when it is not one or not finite.
std::optional<double> parseQuantity(QStringView text);

/// A CSV start date "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD" (midnight) in the store's layout.
/// Empty when it is not a valid date and time in one of these forms.
std::optional<QString> parseStartDate(QStringView text);

} // namespace import
