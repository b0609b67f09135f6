#pragma once

#include "store/ImportWriter.h"

#include <QString>

#include <vector>

namespace import {

class Meter;

/// Where a row came from: its record (or row) number counted from 1, and for a text file the
/// line it starts on.
struct Place {
    qint64 record = 0;
    qint64 line = 0;
};

/// "items.csv, record 3 (line 4)" for a text file, "ItemMaster row 3" for a table.
QString describe(const QString& source, Place place);

/// The rows of a source, in source order, with where each came from for the messages.
struct SourceRows {
    std::vector<store::ImportedItem> items;
    std::vector<store::ImportedLine> lines;
    std::vector<Place> itemPlaces;
    std::vector<Place> linePlaces;
    QString itemSource; ///< "items.csv", or "ItemMaster"
    QString lineSource;
    int jetVersion = 0;
};

/// Reads and checks both CSV files; steps the meter by bytes read.
SourceRows readCsv(const QString& itemsCsv, const QString& linesCsv, Meter& meter);

/// Reads and checks the two tables of a Jet file through the reader program in a child
/// process; steps the meter by rows read.
SourceRows readJet(const QString& mdbPath, Meter& meter);

/// Reads the two tables of an editor's SQLite database, read-only and as one state of the
/// file, every value as stored; steps the meter by rows read.
SourceRows readSqlite(const QString& path, Meter& meter);

} // namespace import
