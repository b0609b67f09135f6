#pragma once
// What both stores' Qt SQL code reads the same way: a column's Null and a driver's error text.

#include <QCoreApplication>
#include <QLatin1Char>
#include <QString>
#include <QVariant>

#include <optional>

namespace store {

/// A text column's value; an empty optional for Null.
inline std::optional<QString> optionalText(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

/// A database error (a QSqlError: the contract needs no Qt SQL) as one sentence without its
/// full stop, for "<what>: <why>.": the server's own text where there is one, else the
/// driver's. libpq's texts come on several indented lines; a message box shows one line.
template <typename Error>
QString describe(const Error& error) {
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    text = text.simplified();
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.isEmpty() ? QCoreApplication::translate("store", "unknown database error") : text;
}

} // namespace store
