#pragma once

#include <QString>

#include <functional>

/// Bringing existing data into the editor's SQLite database: Jet 3 / Jet 4 (.mdb) files and
/// pairs of CSV files.
///
/// How the window uses it (everything here runs on the calling thread and may take a while):
///
///   - Open Database: `isJetFile(path)` tells a Jet file by its header bytes, whatever its
///     name. For one, propose `NAME.db` beside it, ask before replacing an existing file, then
///     call `importJet(path, chosen, progress)` and open `Summary::output` as the new current
///     database. The .mdb file is only read.
///   - File > Import > "From Access Database…": the same. "From CSV Files…":
///     `importCsv(items, lines, newDb, progress)` for a new file, or
///     `importCsvInto(items, lines, currentDb, progress)` to add the rows to the current
///     database.
///
/// Progress: called now and then with (done, total), total being 1000 (thousandths of the
/// work), from the calling thread; it may let window events run. Returning false cancels:
/// the import then throws store::StoreError with number store::ImportCancelled (1139), which
/// the handler passes over silently.
///
/// Failures throw store::StoreError with a number from src/store/StoreError.h (1100-1139 and
/// the store's own, e.g. 1006 for an existing database that is not SQLite) and a description
/// that names the file, table and row concerned; show it as "NUMBER DESCRIPTION".
///
/// All or nothing: a new database is written under a temporary name in the output's folder
/// in one write transaction and appears under its name only when complete and checked; on
/// Cancel and on every failure no output file is left, and an existing file of that name is
/// untouched. `importJet` and `importCsv` replace an existing file of the output's name only
/// on success (the caller asks first). `importCsvInto` adds every row in one transaction or
/// none, and refuses, naming the CSV record, a key that is already there under the store's
/// comparison (ASCII letters folded).
///
/// What arrives: every row, text as it stands, Null kept Null and the empty text kept empty,
/// Double exact, Single as the shortest decimal that reads back as the same Single (0.1),
/// Date/Time as local "YYYY-MM-DD HH:MM:SS", lines whose component has no ItemMaster row.
/// The rows written are checked against the rows the source says it holds.
///
/// CSV: RFC 4180, UTF-8 with or without a byte order mark, an optional header row (the column
/// names), `items.csv` = ItemID, ItemDesc, ItemUom and `lines.csv` = BomID, BomComp,
/// bomQtyReq, StartDate. An empty unquoted field is Null, `""` is the empty text. A quantity
/// is a decimal number with a point; a start date is "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD".
///
/// Jet files are read by the helper program bom-jet-reader in a child process (libmdb can
/// crash on a damaged file); it is found beside the running program, in
/// ../libexec/fabrilux-bom/ from there, or in the build tree.
namespace import {

/// (done, total); false cancels.
using Progress = std::function<bool(qint64 done, qint64 total)>;

/// What an import wrote.
struct Summary {
    QString output;     ///< the database written or added to
    qint64 items = 0;   ///< ItemMaster rows written
    qint64 lines = 0;   ///< BomDetail rows written
    int jetVersion = 0; ///< 3 or 4 for a Jet source, 0 for CSV
};

/// Whether the file starts with the header of a Jet 3 or Jet 4 database (not Access 2007's
/// ACE format). False for a missing or unreadable file.
bool isJetFile(const QString& path);

Summary importJet(const QString& mdbPath, const QString& outDb, const Progress& progress = {});
Summary importCsv(const QString& itemsCsv, const QString& linesCsv, const QString& outDb,
                  const Progress& progress = {});
Summary importCsvInto(const QString& itemsCsv, const QString& linesCsv, const QString& existingDb,
                      const Progress& progress = {});

} // namespace import
