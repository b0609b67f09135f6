#pragma once

#include <QString>

#include <optional>

namespace tree {

/// A quantity as the statistics panel shows it: the general number format of the user's
/// locale (up to 15 significant digits, no digit grouping, no fixed decimals).
QString formatQuantity(double quantity);

/// The quantity a user typed, in the user's locale (the C locale's form is accepted too);
/// empty when the text is not a finite number.
std::optional<double> parseQuantity(const QString& text);

} // namespace tree
