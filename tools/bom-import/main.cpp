// bom-import: brings bills of material from a Jet (.mdb) file or a pair of CSV files into an
// SQLite database or a PostgreSQL server that the editor opens, and copies an SQLite database
// to a server. See --help.

#include "CheckCommand.h"
#include "DraftCommand.h"
#include "HistoryCommand.h"
#include "import/Import.h"
#include "store/runtime/ChangeWatcher.h"

#include "desktop/Language.h"
#include "store/History.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/reports/WhereUsedReport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cstdio>

namespace {

const char* const Help = R"(Usage:
  bom-import [--force] FILE.mdb OUT.db
  bom-import [--force] items.csv lines.csv OUT.db
  bom-import --into items.csv lines.csv EXISTING.db
  bom-import FILE.mdb SERVER
  bom-import items.csv lines.csv SERVER
  bom-import --into items.csv lines.csv SERVER
  bom-import DB.db SERVER
  bom-import --create-schema SERVER
  bom-import --enable-history SERVER
  bom-import --disable-history SERVER
  bom-import --check DATABASE
  bom-import --history DATABASE [--since WHEN] [--item ID]
  bom-import --where-used ITEM DATABASE
  bom-import --drafts DATABASE
  bom-import --show-draft NAME DATABASE
  bom-import --apply-draft NAME DATABASE

Copies the bills of material of a Jet 3 or Jet 4 database (Access 97 to 2003, told by
its header, whatever its name; only read, never changed), or of two CSV files, into a new
SQLite database OUT.db that the editor opens (File > Open Database), or into the tables
of a PostgreSQL server. With --into, the CSV rows are added to an existing database
instead: all of them, or none if any key is already there.

SERVER is a PostgreSQL server address,
  postgresql://[user@][host][:port][/database][?host=SOCKET-FOLDER&port=N&sslmode=MODE]
never with a password in it: the password comes from ~/.pgpass or PGPASSWORD. On a
server, ItemMaster and BomDetail are created where they are missing, in the import's
transaction; a new import or copy goes only into tables that hold no rows, so that it is
never mixed into other data (add CSV rows to a server's data with --into).

DB.db SERVER copies an editor's SQLite database (told by its header, whatever its name)
to the server: every row of ItemMaster and BomDetail, every value as stored, Null kept.
This is how a team moves its bills to the server. The file is only read.

--create-schema SERVER creates the two tables where they are missing, in one
transaction, and says which it created; it gives both the change triggers that tell
open editors of each other's changes (made anew each time); run again, it changes no table.

--enable-history SERVER makes the server keep the history of every change to the two
tables, by anyone: a schema bom_history of its own and triggers on each table, made in
one transaction by a user who may create a schema in the database, and read the tables
and create triggers on them; the tables gain no column. It says what it created. From
then on every row that any program writes costs that writer one insert of one row into
bom_history.change, in the writer's own transaction, and each such transaction one row
more, its commit taken in turn with the others'. Run again, it changes nothing, or brings
a history made by an earlier editor up to date. --disable-history SERVER
removes the triggers and the schema with every change it kept.

--check DATABASE (a file or a server address) prints what Tools > Check Database finds,
one finding a line, then their count: cycles, lines whose assembly or component is not
in the Item Master, IDs that differ from their Item Master row in letter case or blanks,
Null, zero, negative and unreadable quantities, IDs that are not valid UTF-8. It only
reads, and exits 0 with no findings, 1 with findings, 2 when the database cannot be read.

--history DATABASE (a file or a server address) prints the changes its history keeps, as
CSV on standard output, newest first: a header line, then one record per changed row,
one field a column: Time (ISO 8601 UTC), NotBefore (for a change found afterwards, the last
moment it was not there), Person, Host, Source, ChangeSet, Command, Reason, Table
(BomDetail or ItemMaster), Change (added, changed or deleted), BomID, BomComp, QtyBefore,
QtyAfter, StartDateBefore, StartDateAfter, ItemID, DescriptionBefore, DescriptionAfter,
UnitBefore, UnitAfter. IDs and texts stand exactly as stored, each in quotes; a Null, or a
field that does not apply, is empty and unquoted. --since WHEN leaves out older changes
(WHEN: an ISO date, 2024-05-31, or date-time, 2024-05-31T14:00:00Z; local time without Z or
an offset); --item ID keeps only changes that name the item. The window's Export CSV writes
the readable form instead.

Every row arrives exactly: text as it stands, Null kept Null and empty text kept empty,
numbers exact (a Single as the shortest decimal that reads back the same), dates as local
'YYYY-MM-DD HH:MM:SS'. The rows written are checked against the rows the source holds.

CSV files: RFC 4180 (fields with commas, quotes or line breaks in double quotes, quotes
doubled), UTF-8 with or without a byte order mark, an optional header row that names
every column (in any order and letter case; the columns are then read by name).
  items.csv  ItemID,ItemDesc,ItemUom
  lines.csv  BomID,BomComp,bomQtyReq,StartDate
An empty field is Null, "" is the empty text; bomQtyReq is a number with a decimal point;
StartDate is YYYY-MM-DD HH:MM:SS or YYYY-MM-DD.

OUT.db is written under a temporary name beside it and appears only when complete; on a
server nothing is visible until the import commits. On any failure nothing is left. An
existing OUT.db is replaced only with --force.

  --force          replace an existing OUT.db (only once the import has succeeded)
  --into           add the CSV rows to EXISTING.db or SERVER
  --create-schema  create the tables on SERVER
  --enable-history  keep the history of every change on SERVER
  --disable-history  stop keeping it on SERVER and remove it
--where-used ITEM DATABASE prints, as CSV, every finished item whose bill holds ITEM (an
assembly that no line uses), with how many of ITEM one of it holds in all, summed over every
path: a header line, then one record per finished item (Finished Item, Quantity, Level,
Description, UOM, Note, Row, Path, Paths). The quantity is empty, and the note says why, where
a line on the way has no quantity or a cycle stands between them. After each finished item
come its first paths down to ITEM (Row "path", the path in Path, its quantity and number of
lines) and a record with the exact count of the rest (Row "more paths"). It only reads.
--drafts DATABASE lists the drafts of changes kept beside the database's history, as CSV.
--show-draft NAME DATABASE prints the draft's lines as CSV, one field a column, IDs and values
exactly as stored: what it changes (added, changed, removed), whether the tables still hold
the line as it was when it entered the draft (unchanged, changed since, already as drafted),
then the line's base, draft and live rows (Assembly, Component, Quantity, Start Date each; a
row that does not exist is empty). --apply-draft NAME DATABASE writes the draft into the
tables as one change; when any line changed since it entered the draft, it writes nothing and
exits 1 naming those lines.
  --check          list what is wrong in DATABASE (exit status as said above)
  --history        print the changes kept for DATABASE as CSV
  --where-used     print the finished items that hold ITEM as CSV
  --lang LANGUAGE  messages in LANGUAGE (de, en), not the system's (LANG); also the
                   editor's setting "language". CSV and counts keep their form.
  --drafts         list the drafts of changes of DATABASE as CSV
  --show-draft     print a draft's lines beside the tables' as CSV
  --apply-draft    apply a draft, or exit 1 writing nothing when a line changed since
  --help           show this text

Exit status 0 on success (--check: see above); otherwise 1, with "NUMBER DESCRIPTION" on standard error (the
numbers are listed in the editor's README and src/store/StoreError.h).
)";

/// --enable-history or --disable-history on the server at `server`: what was done, as said.
QString historyCommand(const QString& option, const QString& server) {
    if (option == QLatin1StringView("--disable-history")) {
        store::disableServerHistory(server);
        return QCoreApplication::translate(
                   "bom-import", "%1: the history of changes is no longer kept; its triggers and "
                                 "the schema bom_history were removed.")
            .arg(server);
    }
    const QStringList created = store::enableServerHistory(server);
    if (created.isEmpty())
        return QCoreApplication::translate(
                   "bom-import", "%1: the history of changes was kept already; nothing was "
                                 "created.")
            .arg(server);
    return QCoreApplication::translate(
               "bom-import", "%1: the history of changes is kept. Created %2.\n"
                             "What it costs other programs: every row that any program writes "
                             "into ItemMaster or BomDetail costs that writer one more insert, of "
                             "one row into bom_history.change, in the writer's own transaction, "
                             "and each such transaction one row more, its commit taken in turn "
                             "with the others'.")
        .arg(server, created.join(QStringLiteral(", ")));
}

int refuse(int number, const QString& description) {
    std::fprintf(stderr, "%s\n", qUtf8Printable(store::StoreError(number, description).message()));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    {
        // The editor's language: --lang (taken out of the arguments here), its setting, the
        // system's. What the command prints for scripts (CSV, counts) keeps its machine form.
        QString language;
        for (qsizetype i = 0; i < arguments.size();) {
            if (arguments[i] == QLatin1StringView("--lang") && i + 1 < arguments.size()) {
                language = arguments[i + 1];
                arguments.remove(i, 2);
            } else if (arguments[i].startsWith(QLatin1StringView("--lang="))) {
                language = arguments[i].mid(7);
                arguments.remove(i);
            } else {
                ++i;
            }
        }
        const QSettings editor(QStringLiteral("Fabrilux"),
                               QStringLiteral("Fabrilux Bill of Material Editor"));
        const desktop::Language shown = desktop::installTranslations(
            app, desktop::forcedLanguage(language, editor),
            desktop::catalogueFolders(QCoreApplication::applicationDirPath()));
        if (!shown.refused.isEmpty())
            std::fprintf(stderr, "%s\n",
                         qUtf8Printable(QStringLiteral("bom-import: no catalogue for the language "
                                                       "'%1'; messages are in English.")
                                            .arg(shown.refused)));
    }
    // Not an editor: what it writes into a server shows in every editor that has it open.
    store::setSessionApplicationName(QStringLiteral("fabrilux-bom-import"));
    QStringList files;
    bool force = false;
    bool into = false;
    QString serverOption; // --create-schema, --enable-history or --disable-history
    if (!arguments.isEmpty() && arguments[0] == QLatin1StringView("--check"))
        return tools::runCheck(arguments.mid(1));
    if (!arguments.isEmpty() && arguments[0] == QLatin1StringView("--history"))
        return tools::runHistory(arguments.mid(1));
    if (!arguments.isEmpty() && (arguments[0] == QLatin1StringView("--drafts") ||
                                 arguments[0] == QLatin1StringView("--show-draft") ||
                                 arguments[0] == QLatin1StringView("--apply-draft")))
        return tools::runDrafts(arguments[0], arguments.mid(1));
    if (!arguments.isEmpty() && arguments[0] == QLatin1StringView("--where-used")) {
        if (arguments.size() != 3)
            return refuse(store::ImportUsage,
                          QCoreApplication::translate(
                              "bom-import",
                              "--where-used takes an item and a database (a file or a "
                              "server address). See bom-import --help."));
        try {
            const std::unique_ptr<store::Store> db = store::openStore(arguments[2]);
            // The paths end in the item as Item Master spells it, as the window shows them.
            const std::optional<store::Item> item = db->findItem(arguments[1]);
            const QByteArray csv = tree::finishedItemsCsv(db->whereUsed(arguments[1]),
                                                          item ? item->id : arguments[1]);
            if (std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout) != size_t(csv.size()) ||
                std::fflush(stdout) != 0)
                return refuse(store::ExportWriteFailed,
                              QCoreApplication::translate(
                                  "bom-import", "The finished items could not be written."));
            return 0;
        } catch (const store::StoreError& error) {
            std::fflush(stdout);
            return refuse(error.number(), error.description());
        }
    }
    for (const QString& argument : arguments) {
        if (argument == QLatin1StringView("--help") || argument == QLatin1StringView("-h")) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (argument == QLatin1StringView("--force"))
            force = true;
        else if (argument == QLatin1StringView("--into"))
            into = true;
        else if (argument == QLatin1StringView("--create-schema") ||
                 argument == QLatin1StringView("--enable-history") ||
                 argument == QLatin1StringView("--disable-history")) {
            if (!serverOption.isEmpty() && serverOption != argument)
                return refuse(store::ImportUsage,
                              QCoreApplication::translate("bom-import",
                                                          "%1 and %2 cannot be given "
                                                          "together; see bom-import --help.")
                                  .arg(serverOption, argument));
            serverOption = argument;
        }
        else if (argument.startsWith(u'-') && argument.size() > 1)
            return refuse(store::ImportUsage,
                          QCoreApplication::translate("bom-import",
                                                      "Unknown option '%1'; see bom-import --help.")
                              .arg(argument));
        else if (argument.trimmed().isEmpty())
            return refuse(store::ImportUsage,
                          QCoreApplication::translate(
                              "bom-import", "An empty argument names no file or server; see "
                                            "bom-import --help."));
        else
            files.append(argument);
    }
    // A server address is read as libpq reads it and shown only as rebuilt from that reading:
    // a password in it goes nowhere, not even into a message.
    for (QString& file : files) {
        if (!store::looksLikeServerAddress(file))
            continue;
        try {
            const store::ParsedServerAddress address = store::parseServerAddress(file);
            if (address.holdsSecret)
                return refuse(store::CannotOpen,
                              QCoreApplication::translate(
                                  "bom-import", "Could not connect to '%1': the address holds a "
                                                "password; give it in ~/.pgpass or PGPASSWORD "
                                                "instead.")
                                  .arg(address.shown));
            file = address.shown;
        } catch (const store::StoreError& error) {
            return refuse(error.number(), error.description());
        }
    }
    if (!serverOption.isEmpty()) {
        if (force || into || files.size() != 1 || store::databaseFile(files[0]))
            return refuse(store::ImportUsage,
                          QCoreApplication::translate("bom-import",
                                                      "%1 takes one server address "
                                                      "(postgresql://…) and nothing else.")
                              .arg(serverOption));
        try {
            if (serverOption != QLatin1StringView("--create-schema")) {
                std::printf("%s\n", qUtf8Printable(historyCommand(serverOption, files[0])));
                return 0;
            }
            const QStringList created = import::createServerTables(files[0]);
            const QString said =
                created.isEmpty()
                    ? QCoreApplication::translate(
                          "bom-import", "%1: ItemMaster and BomDetail were there already; their "
                                        "change triggers, which tell editors of each other's "
                                        "changes, were made anew.")
                          .arg(files[0])
                    : QCoreApplication::translate("bom-import",
                                                  "%1: created %2, with the change triggers.")
                          .arg(files[0],
                               created.join(QCoreApplication::translate("bom-import", " and ")));
            std::printf("%s\n", qUtf8Printable(said));
            return 0;
        } catch (const store::StoreError& error) {
            std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
            return 1;
        }
    }
    if (files.size() != 2 && files.size() != 3)
        return refuse(store::ImportUsage,
                      QCoreApplication::translate(
                          "bom-import", "Name an .mdb file, two CSV files or an SQLite database, "
                                        "then the database to write; see bom-import --help."));
    if (into && files.size() != 3)
        return refuse(store::ImportUsage,
                      QCoreApplication::translate(
                          "bom-import", "--into takes two CSV files and an existing database."));

    const QString output = files.takeLast();
    const bool server = !store::databaseFile(output);
    if (server && force)
        return refuse(store::ImportUsage,
                      QCoreApplication::translate(
                          "bom-import", "--force replaces a file; the tables of a server are never "
                                        "replaced."));
    if (!server && !into && !force && QFileInfo::exists(output))
        return refuse(store::ImportOutputExists,
                      QCoreApplication::translate("bom-import",
                                                  "'%1' exists already; use --force to replace it.")
                          .arg(output));
    try {
        import::Summary summary;
        if (files.size() == 1 && import::isSqliteFile(files[0])) {
            summary = import::copyDatabase(files[0], output);
        } else if (files.size() == 1) {
            if (QFileInfo(files[0]).isFile() && !import::isJetFile(files[0]))
                return refuse(store::ImportNotJet,
                              QCoreApplication::translate(
                                  "bom-import", "'%1' is neither a Jet 3 or Jet 4 (.mdb) database "
                                                "nor an SQLite database; CSV data needs two "
                                                "files.")
                                  .arg(files[0]));
            summary = import::importJet(files[0], output);
        } else if (into) {
            summary = import::importCsvInto(files[0], files[1], output);
        } else {
            summary = import::importCsv(files[0], files[1], output);
        }
        // The counts as a script reads them: digits only (%n), whatever the language.
        const QString items =
            QCoreApplication::translate("bom-import", "%n item(s)", "written", int(summary.items));
        const QString lines =
            QCoreApplication::translate("bom-import", "%n line(s)", "written", int(summary.lines));
        std::printf("%s\n", qUtf8Printable(
                                QCoreApplication::translate("bom-import", "%1: %2 and %3 written.")
                                    .arg(summary.output, items, lines)));
        return 0;
    } catch (const store::StoreError& error) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
        return 1;
    }
}
