#pragma once

// A bill with a shared sub-assembly, and what the database must hold after each edit of it:
// the oracle of the suites that edit many lines, through the window and below it.

#include "support/TestDatabase.h"

#include <QStringList>

#include <map>

namespace lineoracle {

inline const std::vector<ItemRow> Items{
    {"A", "Top", "EA"},       {"B", "Frame", "EA"},     {"C", "Cover", "EA"},
    {"D", "Disc\t6\"", "PC"}, {"E", "Spacer", "PC"},    {"S", "Shared sub", "EA"},
    {"X", "=Bolt", "PC"},     {"Y", "Nut", "PC"},       {"Z", "Washer", "PC"},
    {"NEW", "New part", "PC"}, {"Ærø 'x'", "Odd", "PC"}};
// A = {B = {D, S}, C = {S}}, S = {X, Y}: S is one bill shown twice.
inline const std::vector<Line> Lines{{"A", "B", 1}, {"A", "C", 2}, {"B", "D", 3},
                                     {"B", "S", 1}, {"C", "S", 2}, {"S", "X", 4}, {"S", "Y", 5}};

/// What the database must hold: every line and its quantity, changed as each edit should.
class Oracle {
public:
    Oracle() {
        for (const Line& line : Lines)
            m_lines[{line.assembly, line.component}] = line.quantity.toDouble();
    }
    void add(const QString& assembly, const QString& component, double quantity) {
        m_lines[{assembly, component}] = quantity;
    }
    void remove(const QString& assembly, const QString& component) {
        m_lines.erase({assembly, component});
    }
    /// As StoreBackend::lines gives them, in one order.
    QStringList lines() const {
        QStringList result;
        for (const auto& [key, quantity] : m_lines)
            result.append(QStringLiteral("%1>%2=%3").arg(key.first, key.second, QVariant(quantity).toString()));
        result.sort();
        return result;
    }

private:
    std::map<std::pair<QString, QString>, double> m_lines;
};

inline QStringList sorted(QStringList lines) {
    lines.sort();
    return lines;
}

} // namespace lineoracle
