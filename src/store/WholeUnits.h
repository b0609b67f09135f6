#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class QSettings;

namespace store {

/// The units counted in whole pieces (each, piece, number): a line of such a component whose
/// quantity is not a whole number is probably a typing slip (2.5 screws). Units compare
/// ignoring case and the spaces around them, as ItemUom is typed by hand.
class WholeUnits {
public:
    /// The units a new user starts with: EA, PC, PCS, NOS and each.
    static QStringList defaults();
    /// The units of a list typed as text: separated by commas, semicolons or spaces, empty
    /// ones dropped.
    static QStringList parse(const QString& text);

    explicit WholeUnits(const QStringList& units = defaults());

    /// The units as given, empty ones dropped.
    const QStringList& units() const { return m_units; }
    /// Whether `unit` is counted in whole pieces.
    bool counts(const QString& unit) const;
    /// Whether a line of `quantity` in `unit` breaks the rule: a number that is not whole, in
    /// a unit counted whole. A Null quantity breaks nothing here (it has its own mark).
    bool broken(std::optional<double> quantity, const QString& unit) const;

private:
    QStringList m_units;
    QSet<QString> m_folded;
};

/// The units kept in the editor's settings (Tools ▸ Options…), or the defaults where none
/// were ever saved; an empty list saved means none.
WholeUnits wholeUnitsFrom(const QSettings& settings);
/// Keeps `units` in the settings.
void saveWholeUnits(QSettings& settings, const QStringList& units);

/// Whether `quantity` is a whole number, as the tree shows it: within the rounding that the
/// fifteen digits shown hide (0.1 × 30 is 3).
bool isWholeNumber(double quantity);

} // namespace store
