#pragma once

#include "import/Sources.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace import {

/// One field of a CSV record: its bytes after unquoting, and whether it was quoted (an empty
/// unquoted field is Null, `""` the empty text).
struct CsvField {
    QByteArray bytes;
    bool quoted = false;
};

/// Reads RFC 4180 records from the bytes of a file: fields separated by commas, records by
/// CR LF, LF or CR; a quoted field may hold commas, line breaks and doubled quotes. A UTF-8
/// byte order mark at the start is skipped, and so are blank lines. The bytes are not
/// decoded here: the caller decodes each field and names the record when it cannot.
class CsvReader {
public:
    /// `name` is the file's name as messages show it.
    CsvReader(QByteArray data, QString name);

    /// Reads the next record into `fields`; false at the end of the data. A record that
    /// breaks the format throws store::StoreError ImportCsvMalformed naming it.
    bool next(std::vector<CsvField>& fields);

    /// "items.csv, record 3 (line 4)": the record read last, counted from 1 with a header
    /// row, and the line it starts on.
    QString where() const;
    /// The record read last and the line it starts on.
    Place place() const { return {m_record, m_recordLine}; }
    qint64 position() const { return m_pos; }
    qint64 size() const { return m_data.size(); }

private:
    [[noreturn]] void malformed(const QString& why) const;

    QByteArray m_data;
    QString m_name;
    qint64 m_pos = 0;
    qint64 m_line = 1;       // line of the read position
    qint64 m_record = 0;     // records read, blank lines not counted
    qint64 m_recordLine = 0; // line where the last record starts
};

} // namespace import
