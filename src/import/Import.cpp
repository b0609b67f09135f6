#include "import/Import.h"

#include "import/Meter.h"
#include "import/Sources.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace import {

using store::StoreError;

namespace {

/// An empty name is no file: said as such, before it could be taken for the current folder
/// or for another empty name.
void checkNamed(const QString& output, const QStringList& sources) {
    for (const QString& source : sources)
        if (source.isEmpty())
            throw StoreError(store::ImportSourceUnreadable,
                             QCoreApplication::translate("import", "No file to import was named."));
    if (output.isEmpty())
        throw StoreError(store::ImportOutputFailed,
                         QCoreApplication::translate("import", "No output was named."));
}

/// The output must never be one of the sources: replacing it would destroy what is read.
void checkDistinct(const QString& output, const QStringList& sources) {
    checkNamed(output, sources);
    const std::optional<QString> file = store::databaseFile(output);
    if (!file)
        return; // a server's tables are no file of the source's
    const QFileInfo out(*file);
    for (const QString& source : sources) {
        const QFileInfo in(source);
        if (out.exists() && in.exists() ? out.canonicalFilePath() == in.canonicalFilePath()
                                        : out.absoluteFilePath() == in.absoluteFilePath())
            throw StoreError(store::ImportSameFile,
                             QCoreApplication::translate(
                                 "import", "'%1' is a file being imported; choose another "
                                           "output file.")
                                 .arg(output));
    }
}

/// `command`, when given, names the editor's command that the rows are recorded as.
Summary write(const SourceRows& rows, std::unique_ptr<store::ImportWriter> writer,
              const QString& output, Meter& meter,
              const std::optional<store::WriteCommand>& command = std::nullopt) {
    meter.phase(500, 990);
    if (command)
        writer->recordAs(*command);
    const qint64 total = qint64(rows.items.size() + rows.lines.size());
    qint64 done = 0;
    for (size_t i = 0; i < rows.items.size(); ++i) {
        writer->addItem(rows.items[i],
                        [&] { return describe(rows.itemSource, rows.itemPlaces[i]); });
        meter.step(++done, total);
    }
    for (size_t i = 0; i < rows.lines.size(); ++i) {
        writer->addLine(rows.lines[i],
                        [&] { return describe(rows.lineSource, rows.linePlaces[i]); });
        meter.step(++done, total);
    }
    // The last chance to cancel: after the commit the rows are there.
    meter.poll();
    writer->commit();
    // Written: a Cancel from here on comes too late to mean anything.
    meter.finish(false);
    Summary summary{output, writer->itemsAdded(), writer->linesAdded(), rows.jetVersion, {}};
    QSet<QString> assemblies;
    for (const store::ImportedLine& line : rows.lines)
        if (const QString key = store::foldKey(line.assembly); !assemblies.contains(key)) {
            assemblies.insert(key);
            summary.changed.assemblies.append(line.assembly);
        }
    for (const store::ImportedItem& item : rows.items)
        summary.changed.items.append(item.id); // each once: the writer refuses a repeated key
    return summary;
}

QString counted(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1StringView(count == 1 ? one : many));
}

} // namespace

bool isJetFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(0x15);
    // Page 0 of a Jet database: 00 01 00 00, "Standard Jet DB", and at 0x14 the version:
    // 0 for Jet 3 (Access 97), 1 for Jet 4 (Access 2000-2003). Access 2007 and later write
    // "Standard ACE DB", a format this import does not take.
    return header.size() == 0x15 && header.startsWith(QByteArrayView("\x00\x01\x00\x00", 4)) &&
           header.mid(4, 16) == QByteArrayView("Standard Jet DB\0", 16) &&
           (header[0x14] == 0 || header[0x14] == 1);
}

Summary importJet(const QString& mdbPath, const QString& outDb, const Progress& progress) {
    checkNamed(outDb, {mdbPath});
    if (const QFileInfo source(mdbPath); source.exists() && !source.isFile())
        throw StoreError(
            store::ImportSourceUnreadable,
            QCoreApplication::translate("import", "'%1' is %2, not a Jet (.mdb) database.")
                .arg(mdbPath, source.isDir()
                                  ? QCoreApplication::translate("import", "a folder")
                                  : QCoreApplication::translate("import", "not a regular file")));
    if (QFileInfo(mdbPath).isFile() && !isJetFile(mdbPath))
        throw StoreError(
            store::ImportNotJet,
            QCoreApplication::translate("import", "'%1' is not a Jet 3 or Jet 4 (.mdb) database.")
                .arg(mdbPath));
    checkDistinct(outDb, {mdbPath});
    Meter meter(progress);
    meter.poll();
    const SourceRows rows = readJet(mdbPath, meter);
    return write(rows, store::ImportWriter::newDatabase(outDb), outDb, meter);
}

Summary importCsv(const QString& itemsCsv, const QString& linesCsv, const QString& outDb,
                  const Progress& progress) {
    checkDistinct(outDb, {itemsCsv, linesCsv});
    Meter meter(progress);
    meter.phase(0, 500);
    const SourceRows rows = readCsv(itemsCsv, linesCsv, meter);
    return write(rows, store::ImportWriter::newDatabase(outDb), outDb, meter);
}

Summary importCsvInto(const QString& itemsCsv, const QString& linesCsv, const QString& existingDb,
                      const Progress& progress) {
    checkDistinct(existingDb, {itemsCsv, linesCsv});
    Meter meter(progress);
    meter.phase(0, 500);
    const SourceRows rows = readCsv(itemsCsv, linesCsv, meter);
    return write(rows, store::ImportWriter::intoExisting(existingDb), existingDb, meter);
}

Summary addCsvAsCommand(const QString& itemsCsv, const QString& linesCsv,
                        const QString& existingDb, const Progress& progress) {
    checkDistinct(existingDb, {itemsCsv, linesCsv});
    Meter meter(progress);
    meter.phase(0, 500);
    const SourceRows rows = readCsv(itemsCsv, linesCsv, meter);
    const store::WriteCommand command{
        importCommand(itemsCsv, linesCsv, qint64(rows.items.size()), qint64(rows.lines.size())),
        {}, false};
    return write(rows, store::ImportWriter::intoExisting(existingDb), existingDb, meter, command);
}

QString importCommand(const QString& itemsCsv, const QString& linesCsv, qint64 items,
                      qint64 lines) {
    QStringList files;
    if (items > 0)
        files.append(QFileInfo(itemsCsv).fileName());
    if (lines > 0)
        files.append(QFileInfo(linesCsv).fileName());
    if (files.isEmpty())
        files = {QFileInfo(itemsCsv).fileName(), QFileInfo(linesCsv).fileName()};
    return QStringLiteral("Import %1: %2, %3")
        .arg(files.join(QStringLiteral(" and ")), counted(items, "item", "items"),
             counted(lines, "line", "lines"));
}

Summary copyDatabase(const QString& sqlitePath, const QString& out, const Progress& progress) {
    checkDistinct(out, {sqlitePath});
    Meter meter(progress);
    meter.poll();
    const SourceRows rows = readSqlite(sqlitePath, meter);
    return write(rows, store::ImportWriter::newDatabase(out), out, meter);
}

QStringList createServerTables(const QString& uri) {
    return store::createServerTables(uri);
}

} // namespace import
