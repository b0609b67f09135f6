#pragma once

#include "store/ChangeSet.h"

#include <QString>
#include <QStringList>

#include <functional>

/// Bringing existing data into the editor's database: Jet 3 / Jet 4 (.mdb) files and pairs of
/// CSV files, into a new SQLite file or the tables of a PostgreSQL server; and copying an
/// editor's SQLite database to a server, which is how a team moves to the server.
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
/// Servers: every output may be a server address (postgresql://…, see store::openStore;
/// never with a password in it). `importJet`, `importCsv` and `copyDatabase` then write into
/// the server's ItemMaster and BomDetail, creating them where they are missing, in one
/// transaction with the rows; they refuse with store::ImportServerNotEmpty (1117), writing
/// nothing, when either table holds rows already, so that a copy is never mixed into other
/// data. `importCsvInto` adds to the server's tables as it does to a file: all rows or none.
/// Nothing is visible to the editors on the server until the import commits.
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
    /// The assemblies that gained lines and the items added, each once under the case rule:
    /// what a bill loaded from the database shows of them.
    store::Changes changed;
};

/// Whether the file starts with the header of a Jet 3 or Jet 4 database (not Access 2007's
/// ACE format). False for a missing or unreadable file.
bool isJetFile(const QString& path);
/// Whether the file starts with the header of an SQLite 3 database ("SQLite format 3\0").
bool isSqliteFile(const QString& path);

Summary importJet(const QString& mdbPath, const QString& outDb, const Progress& progress = {});
Summary importCsv(const QString& itemsCsv, const QString& linesCsv, const QString& outDb,
                  const Progress& progress = {});
Summary importCsvInto(const QString& itemsCsv, const QString& linesCsv, const QString& existingDb,
                      const Progress& progress = {});
/// The editor's own File > Import > From CSV Files > Add Here: importCsvInto as one command of
/// the editor's, recorded in the database's history with the user's name and the command
/// importCommand names, as its edits are (not found later as another program's change).
Summary addCsvAsCommand(const QString& itemsCsv, const QString& linesCsv,
                        const QString& existingDb, const Progress& progress = {});
/// The command of such an import, as the history names it: "Import new-items.csv: 1 item,
/// 0 lines", naming the files that brought rows (both when neither did).
QString importCommand(const QString& itemsCsv, const QString& linesCsv, qint64 items,
                      qint64 lines);
/// Copies ItemMaster and BomDetail of an editor's SQLite database, every row and every value
/// as stored (Null kept Null), to `out`, in practice a server. The file is only read. A value
/// that the copy cannot keep exactly (text in bomQtyReq, a number or blob where text belongs,
/// text that is not valid UTF-8) is refused, naming its table and row.
Summary copyDatabase(const QString& sqlitePath, const QString& out, const Progress& progress = {});
/// Creates ItemMaster and BomDetail on the server where they are missing, in one transaction,
/// and checks them as every open does. Returns the tables it created; empty when both were
/// there already.
QStringList createServerTables(const QString& uri);

} // namespace import
