#include "tree/Quantity.h"

#include <QLocale>

#include <cmath>

namespace tree {

QString formatQuantity(double quantity) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(quantity, 'g', 15);
}

std::optional<double> parseQuantity(const QString& text) {
    const QString trimmed = text.trimmed();
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    // toDouble takes "nan" and "inf"; neither is a quantity.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace tree
