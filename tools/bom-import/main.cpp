// bom-import: brings bills of material from a Jet (.mdb) file or a pair of CSV files into an
// SQLite database that the editor opens. See --help.

#include "import/Import.h"

#include "store/StoreError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

const char* const Help = R"(Usage:
  bom-import [--force] FILE.mdb OUT.db
  bom-import [--force] items.csv lines.csv OUT.db
  bom-import --into items.csv lines.csv EXISTING.db

Copies the bills of material of a Jet 3 or Jet 4 database (Access 97 to 2003, told by
its header, whatever its name; only read, never changed), or of two CSV files, into a new
SQLite database OUT.db that the editor opens (File > Open Database). With --into, the CSV
rows are added to an existing database instead: all of them, or none if any key is
already there.

Every row arrives exactly: text as it stands, Null kept Null and empty text kept empty,
numbers exact (a Single as the shortest decimal that reads back the same), dates as local
'YYYY-MM-DD HH:MM:SS'. The rows written are checked against the rows the source holds.

CSV files: RFC 4180 (fields with commas, quotes or line breaks in double quotes, quotes
doubled), UTF-8 with or without a byte order mark, an optional header row.
  items.csv  ItemID,ItemDesc,ItemUom
  lines.csv  BomID,BomComp,bomQtyReq,StartDate
An empty field is Null, "" is the empty text; bomQtyReq is a number with a decimal point;
StartDate is YYYY-MM-DD HH:MM:SS or YYYY-MM-DD.

OUT.db is written under a temporary name beside it and appears only when complete; on any
failure nothing is left. An existing OUT.db is replaced only with --force.

  --force   replace an existing OUT.db (only once the import has succeeded)
  --into    add the CSV rows to EXISTING.db
  --help    show this text

Exit status 0 on success; otherwise 1, with "NUMBER DESCRIPTION" on standard error (the
numbers are listed in the editor's README and src/store/StoreError.h).
)";

int refuse(int number, const QString& description) {
    std::fprintf(stderr, "%s\n", qUtf8Printable(store::StoreError(number, description).message()));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList files;
    bool force = false;
    bool into = false;
    const QStringList arguments = app.arguments().mid(1);
    for (const QString& argument : arguments) {
        if (argument == QLatin1StringView("--help") || argument == QLatin1StringView("-h")) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (argument == QLatin1StringView("--force"))
            force = true;
        else if (argument == QLatin1StringView("--into"))
            into = true;
        else if (argument.startsWith(u'-') && argument.size() > 1)
            return refuse(
                store::ImportUsage,
                QStringLiteral("Unknown option '%1'; see bom-import --help.").arg(argument));
        else
            files.append(argument);
    }
    if (files.size() != 2 && files.size() != 3)
        return refuse(store::ImportUsage,
                      QStringLiteral("Name an .mdb file or two CSV files, then the database to "
                                     "write; see bom-import --help."));
    if (into && files.size() != 3)
        return refuse(store::ImportUsage,
                      QStringLiteral("--into takes two CSV files and an existing database."));

    const QString output = files.takeLast();
    if (!into && !force && QFileInfo::exists(output))
        return refuse(
            store::ImportOutputExists,
            QStringLiteral("'%1' exists already; use --force to replace it.").arg(output));
    try {
        import::Summary summary;
        if (files.size() == 1) {
            if (QFileInfo(files[0]).isFile() && !import::isJetFile(files[0]))
                return refuse(store::ImportNotJet,
                              QStringLiteral("'%1' is not a Jet 3 or Jet 4 (.mdb) database; "
                                             "CSV data needs two files.")
                                  .arg(files[0]));
            summary = import::importJet(files[0], output);
        } else if (into) {
            summary = import::importCsvInto(files[0], files[1], output);
        } else {
            summary = import::importCsv(files[0], files[1], output);
        }
        std::printf("%s\n", qUtf8Printable(QStringLiteral("%1: %2 items and %3 lines written.")
                                               .arg(summary.output)
                                               .arg(summary.items)
                                               .arg(summary.lines)));
        return 0;
    } catch (const store::StoreError& error) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
        return 1;
    }
}
