#include "import/CsvReader.h"
#include "import/Meter.h"
#include "import/Sources.h"
#include "import/Values.h"

#include "store/StoreError.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

namespace import {

using store::StoreError;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw StoreError(store::ImportSourceUnreadable,
                         QStringLiteral("Could not find file '%1'.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(store::ImportSourceUnreadable,
                         QStringLiteral("Could not read '%1': %2.").arg(path, file.errorString()));
    return file.readAll();
}

/// Decodes one field; a field that is not UTF-8 is refused with its record, so that a file
/// saved in another encoding never arrives garbled.
std::optional<QString> text(const CsvField& field, const CsvReader& reader, int column,
                            QLatin1StringView name) {
    if (!field.quoted && field.bytes.isEmpty())
        return std::nullopt;
    if (!QByteArrayView(field.bytes).isValidUtf8())
        throw StoreError(store::ImportCsvEncoding,
                         QStringLiteral("%1: field %2 (%3) is not UTF-8 text; save the file as "
                                        "UTF-8 and import it again.")
                             .arg(reader.where())
                             .arg(column)
                             .arg(name));
    return QString::fromUtf8(field.bytes);
}

QString id(const CsvField& field, const CsvReader& reader, int column, QLatin1StringView name) {
    std::optional<QString> value = text(field, reader, column, name);
    if (!value)
        throw StoreError(store::ImportInvalidId,
                         QStringLiteral("%1: the %2 is empty.").arg(reader.where(), name));
    return *value;
}

/// Whether the record is the header row: the column names, in any ASCII case.
bool isHeader(const std::vector<CsvField>& fields, std::initializer_list<QLatin1StringView> names) {
    if (fields.size() != names.size())
        return false;
    auto name = names.begin();
    for (const CsvField& field : fields)
        if (QLatin1StringView(field.bytes).trimmed().compare(*name++, Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

void checkFieldCount(const std::vector<CsvField>& fields, const CsvReader& reader,
                     std::initializer_list<QLatin1StringView> names) {
    if (fields.size() == names.size())
        return;
    QStringList list;
    for (QLatin1StringView n : names)
        list.append(n);
    throw StoreError(store::ImportCsvMalformed,
                     QStringLiteral("%1: %2 fields where %3 are needed (%4).")
                         .arg(reader.where())
                         .arg(fields.size())
                         .arg(names.size())
                         .arg(list.join(QStringLiteral(", "))));
}

constexpr QLatin1StringView ItemID{"ItemID"}, ItemDesc{"ItemDesc"}, ItemUom{"ItemUom"};
constexpr QLatin1StringView BomID{"BomID"}, BomComp{"BomComp"}, BomQtyReq{"bomQtyReq"},
    StartDate{"StartDate"};

} // namespace

QString describe(const QString& source, Place place) {
    if (place.line > 0)
        return QStringLiteral("%1, record %2 (line %3)")
            .arg(source)
            .arg(place.record)
            .arg(place.line);
    return QStringLiteral("%1 row %2").arg(source).arg(place.record);
}

SourceRows readCsv(const QString& itemsCsv, const QString& linesCsv, Meter& meter) {
    SourceRows rows;
    rows.itemSource = QFileInfo(itemsCsv).fileName();
    rows.lineSource = QFileInfo(linesCsv).fileName();
    CsvReader items(readFile(itemsCsv), rows.itemSource);
    CsvReader lines(readFile(linesCsv), rows.lineSource);
    const qint64 bytes = items.size() + lines.size();
    std::vector<CsvField> fields;

    bool first = true;
    while (items.next(fields)) {
        if (std::exchange(first, false) && isHeader(fields, {ItemID, ItemDesc, ItemUom}))
            continue;
        checkFieldCount(fields, items, {ItemID, ItemDesc, ItemUom});
        rows.items.push_back({id(fields[0], items, 1, ItemID), text(fields[1], items, 2, ItemDesc),
                              text(fields[2], items, 3, ItemUom)});
        rows.itemPlaces.push_back(items.place());
        meter.step(items.position(), bytes);
    }

    first = true;
    while (lines.next(fields)) {
        if (std::exchange(first, false) && isHeader(fields, {BomID, BomComp, BomQtyReq, StartDate}))
            continue;
        checkFieldCount(fields, lines, {BomID, BomComp, BomQtyReq, StartDate});
        store::ImportedLine line{id(fields[0], lines, 1, BomID), id(fields[1], lines, 2, BomComp),
                                 std::nullopt, std::nullopt};
        if (const std::optional<QString> quantity = text(fields[2], lines, 3, BomQtyReq);
            quantity && !quantity->trimmed().isEmpty()) {
            line.quantity = parseQuantity(*quantity);
            if (!line.quantity)
                throw StoreError(store::ImportInvalidValue,
                                 QStringLiteral("%1: the bomQtyReq '%2' is not a number.")
                                     .arg(lines.where(), *quantity));
        }
        if (const std::optional<QString> date = text(fields[3], lines, 4, StartDate);
            date && !date->isEmpty()) {
            line.startDate = parseStartDate(*date);
            if (!line.startDate)
                throw StoreError(store::ImportInvalidValue,
                                 QStringLiteral("%1: the StartDate '%2' is not a date and time "
                                                "'YYYY-MM-DD HH:MM:SS'.")
                                     .arg(lines.where(), *date));
        }
        rows.lines.push_back(std::move(line));
        rows.linePlaces.push_back(lines.place());
        meter.step(items.size() + lines.position(), bytes);
    }
    return rows;
}

} // namespace import
