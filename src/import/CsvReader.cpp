#include "import/CsvReader.h"

#include "import/Sources.h"
#include "store/StoreError.h"

#include <QCoreApplication>

namespace import {

CsvReader::CsvReader(QByteArray data, QString name)
    : m_data(std::move(data)), m_name(std::move(name)) {
    if (m_data.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
}

QString CsvReader::where() const {
    return describe(m_name, place());
}

void CsvReader::malformed(const QString& why) const {
    throw store::StoreError(store::ImportCsvMalformed, QStringLiteral("%1: %2.").arg(where(), why));
}

bool CsvReader::next(std::vector<CsvField>& fields) {
    const char* data = m_data.constData();
    const qint64 size = m_data.size();
    // Blank lines between records carry nothing.
    while (m_pos < size && (data[m_pos] == '\n' || data[m_pos] == '\r')) {
        if (data[m_pos] == '\r' && m_pos + 1 < size && data[m_pos + 1] == '\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }
    if (m_pos >= size)
        return false;

    fields.clear();
    ++m_record;
    m_recordLine = m_line;
    for (;;) {
        CsvField field;
        if (data[m_pos] == '"') {
            field.quoted = true;
            ++m_pos;
            qint64 start = m_pos;
            for (;;) {
                if (m_pos >= size)
                    malformed(QCoreApplication::translate("import",
                                                          "a quoted field has no closing quote"));
                const char c = data[m_pos];
                if (c == '"') {
                    field.bytes.append(data + start, m_pos - start);
                    if (m_pos + 1 < size && data[m_pos + 1] == '"') {
                        field.bytes.append('"');
                        m_pos += 2;
                        start = m_pos;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                // A line break inside quotes is data; count it for the messages.
                if (c == '\n' || (c == '\r' && !(m_pos + 1 < size && data[m_pos + 1] == '\n')))
                    ++m_line;
                ++m_pos;
            }
            if (m_pos < size && data[m_pos] != ',' && data[m_pos] != '\r' && data[m_pos] != '\n')
                malformed(QCoreApplication::translate("import",
                                                      "text follows the closing quote of field %1")
                              .arg(fields.size() + 1));
        } else {
            const qint64 start = m_pos;
            while (m_pos < size && data[m_pos] != ',' && data[m_pos] != '\r' &&
                   data[m_pos] != '\n') {
                if (data[m_pos] == '"')
                    malformed(QCoreApplication::translate(
                                  "import", "field %1 holds a quote but is not quoted")
                                  .arg(fields.size() + 1));
                ++m_pos;
            }
            field.bytes = QByteArray(data + start, m_pos - start);
        }
        fields.push_back(std::move(field));

        if (m_pos >= size)
            return true;
        if (data[m_pos] == ',') {
            ++m_pos;
            if (m_pos >= size || data[m_pos] == '\r' || data[m_pos] == '\n') {
                // A comma at the end of the record leaves one empty field after it.
                fields.push_back(CsvField{});
            } else {
                continue;
            }
        }
        if (m_pos < size) {
            if (data[m_pos] == '\r' && m_pos + 1 < size && data[m_pos + 1] == '\n')
                ++m_pos;
            ++m_pos;
            ++m_line;
        }
        return true;
    }
}

} // namespace import
