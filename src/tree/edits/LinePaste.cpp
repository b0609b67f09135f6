#include "tree/edits/LinePaste.h"

#include "store/ItemKey.h"
#include "store/StoreError.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/BillExport.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tree {

namespace {

QString refusal(int number, const QString& description) {
    return store::StoreError(number, description).message();
}

/// A field of the text on one line: tabs and line breaks would split it into other cells.
QString textField(const QString& text) {
    QString field = csvText(text);
    for (QChar& c : field)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return field;
}

/// The rows of tab-separated text, each a list of fields. A field that starts with a double
/// quote runs to the next lone one, tabs and line breaks included, with doubled quotes as one.
std::vector<QStringList> tabRows(QStringView text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool atFieldStart = true;
    const auto endRow = [&] {
        row.append(field);
        field.clear();
        rows.push_back(std::move(row));
        row = {};
        atFieldStart = true;
    };
    while (i < n) {
        const QChar c = text[i];
        if (atFieldStart && c == u'"') {
            // A quoted field, as spreadsheets write a cell that holds a tab, a line break or a
            // quote; without its closing quote it is taken as it stands.
            qsizetype j = i + 1;
            QString quoted;
            bool closed = false;
            while (j < n) {
                if (text[j] == u'"') {
                    if (j + 1 < n && text[j + 1] == u'"') {
                        quoted += u'"';
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                quoted += text[j++];
            }
            if (closed && (j == n || text[j] == u'\t' || text[j] == u'\n' || text[j] == u'\r')) {
                field = quoted;
                i = j;
                atFieldStart = false;
                continue;
            }
        }
        atFieldStart = false;
        if (c == u'\t') {
            row.append(field);
            field.clear();
            atFieldStart = true;
        } else if (c == u'\n') {
            endRow();
        } else if (c == u'\r') {
            if (i + 1 < n && text[i + 1] == u'\n')
                ++i;
            endRow();
        } else {
            field += c;
        }
        ++i;
    }
    if (!field.isEmpty() || !row.isEmpty())
        endRow();
    return rows;
}

/// A text cell without the apostrophe that csvText puts before a formula-like text.
QString unguarded(const QString& text) {
    if (text.size() >= 2 && text.front() == u'\'' && QStringView(u"=+-@\t\r'").contains(text[1]))
        return text.mid(1);
    return text;
}

/// A header's name as names are compared: without blanks, case folded.
QString headerName(QStringView name) {
    QString folded;
    for (const QChar c : name)
        if (!c.isSpace())
            folded += c;
    return folded.toCaseFolded();
}

/// The column of the first of `names`, in their order, that the header has: a header with
/// both "Product" and "Item ID" takes its item ID from "Item ID", whichever comes first.
int columnNamed(const QStringList& header, std::initializer_list<const char*> names) {
    QStringList fields;
    for (const QString& field : header)
        fields.append(headerName(field));
    for (const char* name : names)
        if (const qsizetype at = fields.indexOf(headerName(QString::fromLatin1(name))); at >= 0)
            return int(at);
    return -1;
}

bool holdsQuantity(const QStringList& row, const QLocale& locale) {
    return std::any_of(row.begin(), row.end(), [&](const QString& field) {
        return !field.trimmed().isEmpty() && parseQuantity(field.trimmed(), locale).has_value();
    });
}

PastedLine lineOf(const QString& id, const QString& quantityText, const QLocale& locale) {
    PastedLine line;
    line.component = unguarded(id);
    line.quantityText = quantityText.trimmed();
    if (line.component.isEmpty())
        line.refusal = refusal(store::PasteUnknownItem,
                               QCoreApplication::translate("tree", "The line names no item."));
    else if (line.quantityText.isEmpty())
        line.refusal = refusal(store::InvalidQuantity,
                               QCoreApplication::translate("tree", "The line has no quantity."));
    else if ((line.quantity = parseQuantity(line.quantityText, locale)); !line.quantity)
        line.refusal = refusal(store::InvalidQuantity, quantityProblem(line.quantityText, locale));
    return line;
}

} // namespace

QByteArray ownLinesData(const std::vector<CopiedLine>& lines) {
    QJsonArray array;
    for (const CopiedLine& line : lines)
        array.append(QJsonObject{
            {QStringLiteral("assembly"), line.assembly},
            {QStringLiteral("component"), line.component},
            // JSON numbers are written with the fewest digits that read back exactly.
            {QStringLiteral("quantity"), line.quantity ? QJsonValue(*line.quantity) : QJsonValue()},
        });
    return QJsonDocument(QJsonObject{{QStringLiteral("lines"), array}})
        .toJson(QJsonDocument::Compact);
}

QString linesText(const std::vector<CopiedLine>& lines) {
    QString text = LinesTextHeader + u'\n';
    for (const CopiedLine& line : lines)
        text += textField(line.component) + u'\t' + csvQuantity(line.quantity) + u'\t' +
                textField(line.unit) + u'\t' + textField(line.description) + u'\n';
    return text;
}

PastedLines readOwnLines(const QByteArray& data) {
    PastedLines result;
    const QJsonDocument document = QJsonDocument::fromJson(data);
    const QJsonValue lines = document.object().value(QStringLiteral("lines"));
    if (!lines.isArray()) {
        result.problem = refusal(
            store::PasteNoLines,
            QCoreApplication::translate("tree", "The lines on the clipboard cannot be read."));
        return result;
    }
    for (const QJsonValue value : lines.toArray()) {
        const QJsonObject object = value.toObject();
        PastedLine line;
        line.component = object.value(QStringLiteral("component")).toString();
        const QJsonValue quantity = object.value(QStringLiteral("quantity"));
        if (quantity.isDouble()) {
            line.quantity = quantity.toDouble();
            line.quantityText = formatQuantity(*line.quantity);
        }
        if (line.component.isEmpty())
            line.refusal = refusal(store::PasteUnknownItem,
                                   QCoreApplication::translate("tree", "The line names no item."));
        else if (!line.quantity)
            line.refusal =
                refusal(store::InvalidQuantity,
                        QCoreApplication::translate("tree", "The line has no quantity."));
        else if (!std::isfinite(*line.quantity))
            line.refusal = refusal(
                store::InvalidQuantity,
                QCoreApplication::translate("tree", "The line's quantity is not a finite number."));
        result.lines.push_back(std::move(line));
    }
    if (result.lines.empty())
        result.problem =
            refusal(store::PasteNoLines,
                    QCoreApplication::translate("tree", "The clipboard holds no lines."));
    return result;
}

PastedLines readLinesText(const QString& text, const QLocale& locale,
                          const AskPasteColumns& ask) {
    PastedLines result;
    std::vector<QStringList> rows = tabRows(text);
    // Rows of nothing but blanks are the spreadsheet's empty rows, not lines.
    std::erase_if(rows, [](const QStringList& row) {
        return std::all_of(row.begin(), row.end(),
                           [](const QString& field) { return field.trimmed().isEmpty(); });
    });
    int idColumn = 0;
    int quantityColumn = 1;
    size_t first = 0;
    if (!rows.empty()) {
        const QStringList& header = rows.front();
        const PasteColumns named = namedColumns(header);
        // A header of names the editor does not know: rather than read it as a line, the
        // user says which columns to take.
        const bool unknownHeader =
            (named.id >= 0 && named.quantity < 0) ||
            (named.id < 0 && rows.size() >= 2 && header.size() >= 2 &&
             !holdsQuantity(header, locale) && holdsQuantity(rows[1], locale));
        if (unknownHeader && ask) {
            const auto chosen = ask(header);
            if (!chosen) {
                result.cancelled = true;
                return result;
            }
            idColumn = chosen->id;
            quantityColumn = chosen->quantity;
            first = 1;
        } else if (named.id >= 0) {
            idColumn = named.id;
            quantityColumn = named.quantity;
            first = 1;
            if (quantityColumn < 0) {
                result.problem =
                    refusal(store::PasteNoLines,
                            QCoreApplication::translate(
                                "tree", "The pasted text has an item ID column but no quantity "
                                        "column (\"Quantity\")."));
                return result;
            }
        }
    }
    for (size_t r = first; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        result.lines.push_back(lineOf(row.value(idColumn), row.value(quantityColumn), locale));
    }
    if (result.lines.empty())
        result.problem = refusal(
            store::PasteNoLines,
            QCoreApplication::translate("tree", "The clipboard holds no lines: tab-separated "
                                                "text with an item ID and a quantity on each "
                                                "row is what Paste reads."));
    return result;
}

PasteColumns namedColumns(const QStringList& header) {
    // The most exact names first.
    return {columnNamed(header, {"Item ID", "BomComp", "Component", "Item Code", "Part Number",
                                 "Part", "Item", "SKU", "Product"}),
            columnNamed(header, {"Quantity", "bomQtyReq", "Qty", "Qty Per", "Total Quantity",
                                 "Amount"})};
}

void refuseRepeats(std::vector<PastedLine>& lines) {
    QSet<QString> seen;
    for (PastedLine& line : lines) {
        if (!line.refusal.isEmpty())
            continue;
        const QString key = store::foldKey(line.component);
        if (seen.contains(key))
            line.refusal = refusal(
                store::PasteRepeated,
                QCoreApplication::translate("tree", "'%1' is pasted more than once; only its "
                                                    "first line is added.")
                    .arg(line.component));
        else
            seen.insert(key);
    }
}

store::LineBatch pastedBatch(const QString& assembly, const std::vector<PastedLine>& lines) {
    store::LineBatch batch;
    for (const PastedLine& line : lines)
        if (line.refusal.isEmpty())
            batch.added.push_back(store::newLine(assembly, line.component, *line.quantity));
    return batch;
}

} // namespace tree
