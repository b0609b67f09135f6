#include "import/CsvReader.h"
#include "import/Meter.h"
#include "import/Sources.h"
#include "import/Values.h"

#include "store/StoreError.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace import {

using store::StoreError;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    const QFileInfo info(path);
    if (path.isEmpty())
        throw StoreError(store::ImportSourceUnreadable,
                         QCoreApplication::translate("import", "No CSV file was named."));
    if (info.isDir())
        throw StoreError(
            store::ImportSourceUnreadable,
            QCoreApplication::translate("import", "'%1' is a folder, not a CSV file.").arg(path));
    // A device or a pipe would be read until it ends, if ever; only a regular file is data.
    if (info.exists() && !info.isFile())
        throw StoreError(store::ImportSourceUnreadable,
                         QCoreApplication::translate(
                             "import", "'%1' is not a regular file (a device, a pipe or a "
                                       "socket), not a CSV file.")
                             .arg(path));
    if (!info.isFile())
        throw StoreError(
            store::ImportSourceUnreadable,
            QCoreApplication::translate("import", "Could not find file '%1'.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(store::ImportSourceUnreadable,
                         QCoreApplication::translate("import", "Could not read '%1': %2.")
                             .arg(path, file.errorString()));
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
                         QCoreApplication::translate(
                             "import", "%1: field %2 (%3) is not UTF-8 text; save the file as "
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
                         QCoreApplication::translate("import", "%1: the %2 is empty.")
                             .arg(reader.where(), name));
    return *value;
}

/// Words that a header row of some other program or person would use for a column: a first
/// row of nothing but such words is a header, never an item or a line.
bool columnWord(const QString& field) {
    static const QStringList words =
        (u"itemid itemdesc itemuom bomid bomcomp bomqtyreq startdate item items id itemno "
         "itemnumber itemcode part partno partnumber partid desc descr description "
         "itemdescription name uom unitofmeasure unitofmeasurement bom assembly assy parent "
         "parentid parentitem comp component componentid child qty quantity qtyreq qtyper "
         "quantityper date start effectivedate"_s)
            .split(u' ');
    QString word;
    for (QChar c : field)
        if (c.isLetterOrNumber())
            word += c.toLower();
    return words.contains(word);
}

/// Reads the first record as a header row when it is one: the position of each column, in
/// `names` order. A record that names every column once (in any order and ASCII case, with
/// blanks around the names) is the header; one that names only some of them, or holds only
/// words for columns, is refused listing the names a header needs; any other is data, and
/// the columns are in `names` order.
std::optional<std::vector<int>> headerColumns(const std::vector<CsvField>& fields,
                                              const CsvReader& reader,
                                              const std::vector<QLatin1StringView>& names) {
    std::vector<int> columns(names.size(), -1);
    bool namesOne = false;
    bool allWords = !fields.empty();
    bool header = fields.size() == names.size();
    QStringList found;
    for (size_t f = 0; f < fields.size(); ++f) {
        const QString field = QString::fromUtf8(fields[f].bytes).trimmed();
        found.append(field.size() > 40 ? field.left(40) + QStringLiteral("…") : field);
        allWords = allWords && columnWord(field);
        bool named = false;
        for (size_t n = 0; n < names.size(); ++n)
            if (field.compare(names[n], Qt::CaseInsensitive) == 0) {
                named = namesOne = true;
                header = header && columns[n] < 0; // each column once
                columns[n] = int(f);
            }
        header = header && named;
    }
    if (header)
        return columns;
    if (!namesOne && !allWords)
        return std::nullopt;
    QStringList expected;
    for (QLatin1StringView n : names)
        expected.append(n);
    throw StoreError(store::ImportCsvMalformed,
                     QCoreApplication::translate(
                         "import", "%1: the first row looks like a header row (%2) but does not "
                                   "name every column once; a header row names %3, in any "
                                   "order and letter case. Correct the header, or remove it.")
                         .arg(reader.where(), found.join(QStringLiteral(", ")),
                              expected.join(QStringLiteral(", "))));
}

void checkFieldCount(const std::vector<CsvField>& fields, const CsvReader& reader,
                     std::initializer_list<QLatin1StringView> names) {
    if (fields.size() == names.size())
        return;
    QStringList list;
    for (QLatin1StringView n : names)
        list.append(n);
    throw StoreError(
        store::ImportCsvMalformed,
        QCoreApplication::translate("import", "%1: %2 fields where %3 are needed (%4).")
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
        return QCoreApplication::translate("import", "%1, record %2 (line %3)")
            .arg(source)
            .arg(place.record)
            .arg(place.line);
    return QCoreApplication::translate("import", "%1 row %2").arg(source).arg(place.record);
}

SourceRows readCsv(const QString& itemsCsv, const QString& linesCsv, Meter& meter) {
    SourceRows rows;
    rows.itemSource = QFileInfo(itemsCsv).fileName();
    rows.lineSource = QFileInfo(linesCsv).fileName();
    CsvReader items(readFile(itemsCsv), rows.itemSource);
    CsvReader lines(readFile(linesCsv), rows.lineSource);
    const qint64 bytes = items.size() + lines.size();
    std::vector<CsvField> fields;

    // The columns in their order in the file: as named by a header row, else as listed.
    std::vector<int> at{0, 1, 2};
    bool first = true;
    while (items.next(fields)) {
        if (std::exchange(first, false))
            if (const auto header = headerColumns(fields, items, {ItemID, ItemDesc, ItemUom})) {
                at = *header;
                continue;
            }
        checkFieldCount(fields, items, {ItemID, ItemDesc, ItemUom});
        rows.items.push_back({id(fields[at[0]], items, at[0] + 1, ItemID),
                              text(fields[at[1]], items, at[1] + 1, ItemDesc),
                              text(fields[at[2]], items, at[2] + 1, ItemUom)});
        rows.itemPlaces.push_back(items.place());
        meter.step(items.position(), bytes);
    }

    at = {0, 1, 2, 3};
    first = true;
    while (lines.next(fields)) {
        if (std::exchange(first, false))
            if (const auto header =
                    headerColumns(fields, lines, {BomID, BomComp, BomQtyReq, StartDate})) {
                at = *header;
                continue;
            }
        checkFieldCount(fields, lines, {BomID, BomComp, BomQtyReq, StartDate});
        store::ImportedLine line{id(fields[at[0]], lines, at[0] + 1, BomID),
                                 id(fields[at[1]], lines, at[1] + 1, BomComp), std::nullopt,
                                 std::nullopt};
        if (const std::optional<QString> quantity =
                text(fields[at[2]], lines, at[2] + 1, BomQtyReq);
            quantity && !quantity->trimmed().isEmpty()) {
            line.quantity = parseQuantity(*quantity);
            if (!line.quantity)
                throw StoreError(
                    store::ImportInvalidValue,
                    QCoreApplication::translate("import", "%1: the bomQtyReq '%2' is not a number.")
                        .arg(lines.where(), *quantity));
        }
        if (const std::optional<QString> date = text(fields[at[3]], lines, at[3] + 1, StartDate);
            date && !date->isEmpty()) {
            line.startDate = parseStartDate(*date);
            if (!line.startDate)
                throw StoreError(store::ImportInvalidValue,
                                 QCoreApplication::translate(
                                     "import", "%1: the StartDate '%2' is not a date and time "
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
