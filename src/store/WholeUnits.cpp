#include "store/WholeUnits.h"

#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace store {

namespace {

QString folded(const QString& unit) { return unit.trimmed().toCaseFolded(); }

} // namespace

QStringList WholeUnits::defaults() {
    return {QStringLiteral("EA"), QStringLiteral("PC"), QStringLiteral("PCS"),
            QStringLiteral("NOS"), QStringLiteral("each")};
}

QStringList WholeUnits::parse(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

WholeUnits::WholeUnits(const QStringList& units) {
    for (const QString& unit : units)
        if (const QString key = folded(unit); !key.isEmpty() && !m_folded.contains(key)) {
            m_folded.insert(key);
            m_units.append(unit.trimmed());
        }
}

bool WholeUnits::counts(const QString& unit) const { return m_folded.contains(folded(unit)); }

bool WholeUnits::broken(std::optional<double> quantity, const QString& unit) const {
    return quantity && std::isfinite(*quantity) && !isWholeNumber(*quantity) && counts(unit);
}

namespace {
const QString SettingsKey = QStringLiteral("Options/WholeNumberUnits");
} // namespace

WholeUnits wholeUnitsFrom(const QSettings& settings) {
    if (!settings.contains(SettingsKey))
        return WholeUnits();
    return WholeUnits(WholeUnits::parse(settings.value(SettingsKey).toString()));
}

void saveWholeUnits(QSettings& settings, const QStringList& units) {
    settings.setValue(SettingsKey, WholeUnits(units).units().join(QStringLiteral(", ")));
}

bool isWholeNumber(double quantity) {
    // Sums and products of stored quantities carry the binary rounding of doubles in their
    // last digits; what the tree shows as 3 is not marked as a fraction.
    return std::abs(quantity - std::round(quantity)) <= 1e-12 * std::max(1.0, std::abs(quantity));
}

} // namespace store
