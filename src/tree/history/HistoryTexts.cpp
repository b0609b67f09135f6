#include "tree/history/HistoryTexts.h"

#include <QRegularExpression>

#include "tree/Texts.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/BillExport.h"

#include <QCoreApplication>
#include <QLocale>

#include <charconv>

namespace tree {

namespace {

/// The history's own words: in the user's language where the window shows them, in English
/// in the exports, whose columns stay the same in every language. Each is marked
/// QT_TRANSLATE_NOOP("tree", …).
QString word(const char* text, bool shown) {
    return shown ? QCoreApplication::translate("tree", text) : QString::fromUtf8(text);
}

QString timeText(const QDateTime& moment, HistoryTime time) {
    if (!moment.isValid())
        return {};
    if (time == HistoryTime::IsoUtc)
        return moment.toUTC().toString(Qt::ISODate);
    return moment.toLocalTime().toString(store::schema::StartDateFormat);
}

/// An ID with its description of that moment beside it, where it had one.
QString withDescription(const QString& id, const std::optional<QString>& description) {
    if (id.isEmpty() || !description || description->isEmpty())
        return id;
    return QStringLiteral("%1 (%2)").arg(id, *description);
}

/// A line: its quantity and start date; an item: its description and unit.
QString rowText(const store::RowImage& row, bool line, bool shown) {
    if (!row.exists)
        return QStringLiteral("—");
    QStringList parts;
    if (line) {
        // Another program may have left text in the number column: shown as it stands.
        if (row.quantity.isNull())
            parts.append(word(QT_TRANSLATE_NOOP("tree", "no quantity"), shown));
        else if (row.quantity.typeId() == QMetaType::QString)
            parts.append(row.quantity.toString());
        else
            parts.append(tree::csvQuantity(row.quantity.toDouble()));
        if (!row.startDate.isNull())
            parts.append(
                word(QT_TRANSLATE_NOOP("tree", "from %1"), shown).arg(row.startDate.toString()));
    } else {
        parts.append(row.description
                         ? *row.description
                         : word(QT_TRANSLATE_NOOP("tree", "(no description on file)"), shown));
        if (row.unit)
            parts.append(*row.unit);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

QStringList historyHeader() {
    return {QStringLiteral("Time"),     QStringLiteral("Who"),       QStringLiteral("Source"),
            QStringLiteral("Command"),  QStringLiteral("Reason"),    QStringLiteral("Table"),
            QStringLiteral("Assembly"), QStringLiteral("Component"), QStringLiteral("Before"),
            QStringLiteral("After")};
}

QString sourceShown(store::ChangeSource source) {
    switch (source) {
    case store::ChangeSource::ThisEditor:
        return QCoreApplication::translate("tree", "this editor");
    case store::ChangeSource::AnotherEditor:
        return QCoreApplication::translate("tree", "another editor");
    case store::ChangeSource::AnotherProgram:
        return QCoreApplication::translate("tree", "another program");
    case store::ChangeSource::Restore:
        return QCoreApplication::translate("tree", "restore");
    }
    return {};
}

QStringList historyCells(const store::ChangeRecord& change, HistoryTime time, bool shown) {
    const bool line = change.table == store::schema::BomDetail;
    const QString when =
        change.notBefore.isValid()
            ? word(QT_TRANSLATE_NOOP("tree", "between %1 and %2"), shown)
                  .arg(timeText(change.notBefore, time), timeText(change.time, time))
            : timeText(change.time, time);
    QString who = change.host.isEmpty() ? change.person
                                        : QStringLiteral("%1@%2").arg(change.person, change.host);
    // What another session said of itself is shown as said, beside what the server knows.
    if (!change.claimedBy.isEmpty())
        who = word(QT_TRANSLATE_NOOP("tree", "%1, claiming to be %2"), shown)
                  .arg(who, change.claimedBy);
    return {when,
            who,
            shown ? sourceShown(change.source) : store::sourceText(change.source),
            change.command,
            change.reason,
            line ? word(QT_TRANSLATE_NOOP("tree", "line"), shown)
                 : word(QT_TRANSLATE_NOOP("tree", "item"), shown),
            withDescription(change.key, change.keyDescription),
            withDescription(change.component, change.componentDescription),
            rowText(change.before, line, shown),
            rowText(change.after, line, shown)};
}

QByteArray historyCsv(const std::vector<store::ChangeRecord>& changes, HistoryTime time) {
    QByteArray out;
    tree::appendCsvRecord(out, historyHeader());
    for (const store::ChangeRecord& change : changes) {
        QStringList cells = historyCells(change, time);
        for (QString& cell : cells)
            cell = tree::csvText(cell);
        tree::appendCsvRecord(out, cells);
    }
    return out;
}

namespace {

/// A line's quantity and, where the change moved it, its start date; an item's description
/// and unit where they changed: the part of a row the one line has room for.
QString shortRow(const store::RowImage& row, const store::RowImage& other, bool line) {
    if (!row.exists)
        return QStringLiteral("—");
    QStringList parts;
    if (line) {
        parts.append(row.quantity.isNull() ? QCoreApplication::translate("tree", "no quantity")
                     : row.quantity.typeId() == QMetaType::QString
                         ? row.quantity.toString()
                         : tree::formatQuantity(row.quantity.toDouble()));
        if (other.exists && row.startDate != other.startDate && !row.startDate.isNull())
            parts.append(
                QCoreApplication::translate("tree", "from %1").arg(row.startDate.toString()));
    } else {
        const bool both = other.exists;
        if (!both || row.description != other.description)
            parts.append(row.description ? *row.description : tree::noDescription());
        if (!both || row.unit != other.unit)
            parts.append(row.unit ? *row.unit : QCoreApplication::translate("tree", "no unit"));
    }
    return parts.join(QStringLiteral(", "));
}

/// A stored number exactly: the fewest digits that read back as the same double.
QString exactNumber(double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, end.ptr - digits);
}

/// A cell of the data form: Null as no text at all, anything else quoted, so that a reader
/// tells an empty text from a Null.
void appendDataField(QByteArray& out, const std::optional<QString>& value) {
    if (!value)
        return;
    out += '"';
    out += value->toUtf8().replace('"', "\"\"");
    out += '"';
}

std::optional<QString> storedValue(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return exactNumber(value.toDouble());
    return value.toString();
}

} // namespace

QString historySummary(const store::ChangeRecord& change, const QDate& today) {
    const QDateTime local = change.time.toLocalTime();
    QString when = local.toString(local.date() == today ? QStringLiteral("HH:mm")
                                                        : QStringLiteral("yyyy-MM-dd HH:mm"));
    // Found by a later look: when it was found, not when it was made.
    if (change.notBefore.isValid())
        when = QCoreApplication::translate("tree", "found %1").arg(when);
    const QString who = change.host.isEmpty()
                            ? change.person
                            : QStringLiteral("%1@%2").arg(change.person, change.host);
    const bool line = change.table == store::schema::BomDetail;
    const QString what = change.command.isEmpty() ? sourceShown(change.source) : change.command;
    const QString subject =
        line ? QStringLiteral("%1 › %2").arg(change.key, change.component) : change.key;
    QStringList parts{when};
    // Another program's change may name nobody: its source, in place of a command, says it.
    if (!who.isEmpty())
        parts.append(who);
    parts.append(what);
    parts.append(QStringLiteral("%1 %2 → %3")
                     .arg(subject, shortRow(change.before, change.after, line),
                          shortRow(change.after, change.before, line)));
    return parts.join(QStringLiteral(" · "));
}

QString historyDetails(const store::ChangeRecord& change) {
    const QStringList cells = historyCells(change, HistoryTime::Local, true);
    const bool line = change.table == store::schema::BomDetail;
    const auto label = [](const char* text) { return QCoreApplication::translate("tree", text); };
    QStringList details{
        label(QT_TRANSLATE_NOOP("tree", "Time: %1")).arg(cells[0]),
        label(QT_TRANSLATE_NOOP("tree", "Who: %1")).arg(cells[1]),
        label(QT_TRANSLATE_NOOP("tree", "Source: %1")).arg(cells[2]),
    };
    if (!change.program.isEmpty())
        details.append(label(QT_TRANSLATE_NOOP("tree", "Program: %1")).arg(change.program));
    details.append(label(QT_TRANSLATE_NOOP("tree", "Command: %1")).arg(change.command));
    details.append(label(QT_TRANSLATE_NOOP("tree", "Reason: %1")).arg(change.reason));
    details.append(label(QT_TRANSLATE_NOOP("tree", "Change set: %1")).arg(change.changeSet));
    if (line) {
        details.append(label(QT_TRANSLATE_NOOP("tree", "Assembly: %1")).arg(cells[6]));
        details.append(label(QT_TRANSLATE_NOOP("tree", "Component: %1")).arg(cells[7]));
    } else {
        details.append(label(QT_TRANSLATE_NOOP("tree", "Item: %1")).arg(cells[6]));
    }
    details.append(label(QT_TRANSLATE_NOOP("tree", "Before: %1")).arg(cells[8]));
    details.append(label(QT_TRANSLATE_NOOP("tree", "After: %1")).arg(cells[9]));
    return details.join(u'\n');
}

QStringList historyDataHeader() {
    return {QStringLiteral("Time"),           QStringLiteral("NotBefore"),
            QStringLiteral("Person"),         QStringLiteral("Host"),
            QStringLiteral("Source"),         QStringLiteral("ChangeSet"),
            QStringLiteral("Command"),        QStringLiteral("Reason"),
            QStringLiteral("Table"),          QStringLiteral("Change"),
            QStringLiteral("BomID"),          QStringLiteral("BomComp"),
            QStringLiteral("QtyBefore"),      QStringLiteral("QtyAfter"),
            QStringLiteral("StartDateBefore"), QStringLiteral("StartDateAfter"),
            QStringLiteral("ItemID"),         QStringLiteral("DescriptionBefore"),
            QStringLiteral("DescriptionAfter"), QStringLiteral("UnitBefore"),
            QStringLiteral("UnitAfter")};
}

QByteArray historyDataCsv(const std::vector<store::ChangeRecord>& changes) {
    QByteArray out;
    const auto record = [&out](const std::vector<std::optional<QString>>& fields) {
        for (size_t at = 0; at < fields.size(); ++at) {
            if (at > 0)
                out += ',';
            appendDataField(out, fields[at]);
        }
        out += "\r\n";
    };
    std::vector<std::optional<QString>> header;
    for (const QString& name : historyDataHeader())
        header.emplace_back(name);
    record(header);
    const auto text = [](const QString& value) -> std::optional<QString> {
        return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
    };
    for (const store::ChangeRecord& change : changes) {
        const bool line = change.table == store::schema::BomDetail;
        const auto side = [line](const store::RowImage& row, int field) -> std::optional<QString> {
            if (!row.exists)
                return std::nullopt;
            switch (field) {
            case 0: return line ? storedValue(row.quantity) : std::nullopt;
            case 1: return line ? storedValue(row.startDate) : std::nullopt;
            case 2: return line ? std::nullopt : row.description;
            default: return line ? std::nullopt : row.unit;
            }
        };
        const QString kind = !change.before.exists ? QStringLiteral("added")
                             : !change.after.exists ? QStringLiteral("deleted")
                                                    : QStringLiteral("changed");
        std::vector<std::optional<QString>> fields{
            change.time.toUTC().toString(Qt::ISODateWithMs),
            change.notBefore.isValid()
                ? std::optional<QString>(change.notBefore.toUTC().toString(Qt::ISODateWithMs))
                : std::nullopt,
            text(change.person),
            text(change.host),
            store::sourceText(change.source),
            QString::number(change.changeSet),
            text(change.command),
            text(change.reason),
            line ? QStringLiteral("BomDetail") : QStringLiteral("ItemMaster"),
            kind,
            line ? std::optional<QString>(change.key) : std::nullopt,
            line ? std::optional<QString>(change.component) : std::nullopt,
            side(change.before, 0),
            side(change.after, 0),
            side(change.before, 1),
            side(change.after, 1),
            line ? std::nullopt : std::optional<QString>(change.key),
            side(change.before, 2),
            side(change.after, 2),
            side(change.before, 3),
            side(change.after, 3)};
        record(fields);
    }
    return out;
}

QString momentText(const QDateTime& moment) {
    // A second's last millisecond is the second as typed (asOfMoment); any other moment, such
    // as the one just before a change, is written to its millisecond so that it reads back as
    // itself, never as the whole second that holds the change.
    const QDateTime local = moment.toLocalTime();
    return local.toString(local.time().msec() == 999 ? QStringLiteral("yyyy-MM-dd HH:mm:ss")
                                                     : QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

std::optional<QDateTime> asOfMoment(const QString& typed, const QLocale& locale,
                                    const QDate& today) {
    const std::optional<QDateTime> moment = typedMoment(typed, locale, today);
    if (!moment)
        return std::nullopt;
    static const QRegularExpression fraction(QStringLiteral(":\\d\\d[.,]\\d{3}$"));
    if (fraction.match(typed.simplified()).hasMatch())
        return moment;
    // Every change within the second typed belongs to it.
    return moment->addMSecs(999);
}

QString historyStartNote(const QDateTime& start) {
    const QDateTime local = start.toLocalTime();
    return QCoreApplication::translate("tree", " (the history starts at %1; showing that)")
        .arg(local.date() == QDate::currentDate() ? local.toString(QStringLiteral("HH:mm:ss"))
                                                  : momentText(local));
}

std::optional<QDateTime> typedMoment(const QString& typed, const QLocale& locale,
                                     const QDate& today) {
    const QString text = typed.simplified();
    if (text.isEmpty())
        return std::nullopt;
    // A two-digit year of the locale's short form is this century's, not the last.
    const auto century = [](QDate date, const QString& format) {
        if (format.contains(QLatin1StringView("yy")) && !format.contains(QLatin1StringView("yyyy")) &&
            date.year() < 2000)
            date = date.addYears(100);
        return date;
    };
    QStringList dateTimes{QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"),
                          QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"),
                          QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd H:mm:ss"),
                          QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy-MM-dd H:mm"),
                          QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm")};
    for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        // Spaced as the text is: some locales put a narrow no-break space before AM and PM.
        const QString format = locale.dateTimeFormat(type).simplified();
        dateTimes.append(format);
        // The short forms leave the seconds out; a moment typed to the second is meant too.
        if (!format.contains(QLatin1StringView(":ss")))
            dateTimes.append(QString(format).replace(QLatin1StringView("mm"),
                                                     QLatin1StringView("mm:ss")));
    }
    for (const QString& format : std::as_const(dateTimes)) {
        const QDateTime moment = locale.toDateTime(text, format);
        if (moment.isValid())
            return QDateTime(century(moment.date(), format), moment.time());
    }
    const QStringList dates{QStringLiteral("yyyy-MM-dd"),
                            locale.dateFormat(QLocale::ShortFormat).simplified(),
                            locale.dateFormat(QLocale::LongFormat).simplified()};
    for (const QString& format : dates)
        if (const QDate date = locale.toDate(text, format); date.isValid())
            return century(date, format).startOfDay();
    const QStringList times{QStringLiteral("HH:mm:ss.zzz"), QStringLiteral("HH:mm:ss"), QStringLiteral("H:mm:ss"),
                            QStringLiteral("HH:mm"), QStringLiteral("H:mm"),
                            locale.timeFormat(QLocale::ShortFormat).simplified(),
                            locale.timeFormat(QLocale::LongFormat).simplified()};
    for (const QString& format : times)
        if (const QTime time = locale.toTime(text, format); time.isValid())
            return QDateTime(today, time);
    return std::nullopt;
}

} // namespace tree
