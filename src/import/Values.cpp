#include "import/Values.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <charconv>
#include <cmath>

namespace import {

namespace {

/// The store's layout of a local date and time (schema::StartDateFormat), built from its
/// parts rather than through QDateTime, whose local time zone would move a wall-clock time
/// that a summer-time change skips.
QString wallClock(QDate date, QTime time) {
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

std::optional<double> singleAsDecimal(float value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // to_chars gives the shortest text that reads back as the same float; reading that text
    // as a double gives the value a person typed into the Single column.
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double result = 0;
    std::from_chars(text, written.ptr, result);
    return result;
}

std::optional<QString> jetDateText(double days) {
    // 100-01-01 and 9999-12-31 as Jet day numbers: the range Jet itself accepts.
    if (!(days >= -657434.0 && days < 2958466.0))
        return std::nullopt;
    double whole = 0;
    const double fraction = std::fabs(std::modf(days, &whole));
    qint64 seconds = std::llround(fraction * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= 86400) {
        // The time of day always runs forward, also before 1899-12-30.
        date = date.addDays(1);
        seconds -= 86400;
    }
    if (!date.isValid() || date.year() > 9999)
        return std::nullopt;
    return wallClock(date, QTime(0, 0).addSecs(int(seconds)));
}

std::optional<double> parseQuantity(QStringView text) {
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(latin.constData(), latin.constData() + latin.size(),
                                              value, std::chars_format::general);
    if (error != std::errc() || end != latin.constData() + latin.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<QString> parseStartDate(QStringView text) {
    static const QRegularExpression layout(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?: (\\d{2}):(\\d{2}):(\\d{2}))?$"));
    const QRegularExpressionMatch match = layout.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.capturedView(1).toInt(), match.capturedView(2).toInt(),
                     match.capturedView(3).toInt());
    const QTime time = match.capturedLength(4) > 0
                           ? QTime(match.capturedView(4).toInt(), match.capturedView(5).toInt(),
                                   match.capturedView(6).toInt())
                           : QTime(0, 0);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return wallClock(date, time);
}

} // namespace import
