#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace tree {

namespace {

std::optional<double> toDouble(const QString& text, QLocale locale,
                               QLocale::NumberOptions options) {
    locale.setNumberOptions(options);
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

/// Every way the text can be read as a number.
struct Readings {
    std::optional<double> local;   ///< in the locale, without digit grouping
    std::optional<double> plain;   ///< with '.' as the decimal point, without digit grouping
    std::optional<double> grouped; ///< in the locale, with its digit grouping
};

Readings readings(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    return {toDouble(trimmed, locale, QLocale::RejectGroupSeparator),
            toDouble(trimmed, QLocale::c(), QLocale::RejectGroupSeparator),
            // Qt checks the groups' sizes: "1.5" has no German grouped reading, "1.000" has.
            toDouble(trimmed, locale, QLocale::DefaultNumberOptions)};
}

/// Whether the text is written as a number, in the locale or plain, whatever its size: what
/// toDouble refuses although it is, lies beyond what a double holds (1e309, 1e-400).
bool writtenAsNumber(const QString& text, const QLocale& locale) {
    const auto anyOf = [](const QString& characters) {
        return QLatin1Char('[') + QRegularExpression::escape(characters) + QLatin1Char(']');
    };
    const QString sign = anyOf(QStringLiteral("+-") + locale.negativeSign() + locale.positiveSign());
    const QString point = anyOf(QStringLiteral(".") + locale.decimalPoint());
    const QString exponent = anyOf(QStringLiteral("eE") + locale.exponential());
    const QRegularExpression number(QStringLiteral("^%1?(\\d+%2?\\d*|%2\\d+)(%3%1?\\d+)?$")
                                        .arg(sign, point, exponent));
    return number.match(text.trimmed()).hasMatch();
}

enum class Verdict { Quantity, NotANumber, Ambiguous, Grouped, OutOfRange };

Verdict judge(const Readings& r, const QString& text, const QLocale& locale, double* value) {
    const std::optional<double> taken = r.local ? r.local : r.plain;
    // toDouble takes "nan" and "inf"; neither is a quantity.
    if (!taken) {
        if (r.grouped && std::isfinite(*r.grouped))
            return Verdict::Grouped;
        return writtenAsNumber(text, locale) ? Verdict::OutOfRange : Verdict::NotANumber;
    }
    if (!std::isfinite(*taken))
        return Verdict::NotANumber;
    if ((r.local && r.plain && *r.local != *r.plain) || (r.grouped && *r.grouped != *taken))
        return Verdict::Ambiguous;
    *value = *taken;
    return Verdict::Quantity;
}

} // namespace

QString formatQuantity(double quantity, const QLocale& locale) {
    QLocale shown = locale;
    shown.setNumberOptions(QLocale::OmitGroupSeparator);
    return shown.toString(quantity, 'g', 15);
}

std::optional<double> parseQuantity(const QString& text, const QLocale& locale) {
    double value = 0;
    if (judge(readings(text, locale), text, locale, &value) != Verdict::Quantity)
        return std::nullopt;
    return value;
}

QString quantityProblem(const QString& text, const QLocale& locale) {
    const Readings r = readings(text, locale);
    double value = 0;
    switch (judge(r, text, locale, &value)) {
    case Verdict::Quantity:
        return {};
    case Verdict::Ambiguous: {
        const double taken = r.local ? *r.local : *r.plain;
        const double other = r.grouped && *r.grouped != taken ? *r.grouped : *r.plain;
        return QCoreApplication::translate(
                   "tree", "'%1' is ambiguous: it reads as %2 and, with '%3' grouping the "
                           "digits, as %4; enter the number without digit grouping.")
            .arg(text, formatQuantity(taken, locale), locale.groupSeparator(),
                 formatQuantity(other, locale));
    }
    case Verdict::Grouped:
        return QCoreApplication::translate(
                   "tree", "'%1' is not a quantity: digit grouping ('%2') is not accepted; "
                           "enter the number without it, for example %3.")
            .arg(text, locale.groupSeparator(), formatQuantity(*r.grouped, locale));
    case Verdict::OutOfRange:
        return QCoreApplication::translate(
                   "tree", "'%1' is not a quantity: it is out of range; a quantity other than 0 "
                           "lies between %2 and %3 in size.")
            .arg(text, formatQuantity(std::numeric_limits<double>::min(), locale),
                 formatQuantity(std::numeric_limits<double>::max(), locale));
    case Verdict::NotANumber:
        break;
    }
    return QCoreApplication::translate(
               "tree", "'%1' is not a quantity: enter a number, for example 2 or 0.5.")
        .arg(text);
}

bool isNumber(const QVariant& stored) {
    bool number = false;
    stored.toDouble(&number);
    return !stored.isNull() && number;
}

QString counted(qint64 count, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(QLocale().toString(count), count == 1 ? one : many);
}

} // namespace tree
