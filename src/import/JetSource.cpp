#include "import/JetProtocol.h"
#include "import/Meter.h"
#include "import/Sources.h"
#include "import/Values.h"

#include "store/StoreError.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cmath>

namespace import {

using store::StoreError;

namespace {

/// The reader program: beside the running program (a build tree, a copy of the programs in
/// one folder), in the install's libexec folder as seen from the program (an install moved
/// to another root, a package unpacked elsewhere), for a program of this very build tree (the
/// tests, the benchmarks) where the build put it, and last at the path this build installs
/// it to. An installed program never tries the build folder it names: whoever may write
/// there later would choose what the editor runs; and a build tree's program never runs an
/// installed reader of another build while its own is there.
QString readerProgram() {
    const QString name = QStringLiteral("bom-jet-reader");
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QDir here(programFolder);
    QStringList candidates{
        here.filePath(name),
        here.filePath(QStringLiteral(BOM_JET_READER_FROM_PROGRAM)),
    };
    const QString buildTree = QFileInfo(QStringLiteral(BOM_BUILD_TREE)).canonicalFilePath();
    if (!buildTree.isEmpty() &&
        (programFolder == buildTree || programFolder.startsWith(buildTree + u'/')))
        candidates.append(QStringLiteral(BOM_JET_READER_BUILD_PATH));
    candidates.append(QStringLiteral(BOM_JET_READER_INSTALLED));
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    throw StoreError(store::ImportJetReaderMissing,
                     QCoreApplication::translate(
                         "import", "The program that reads Jet files (%1) is not installed "
                                   "beside '%2' nor in '%3'.")
                         .arg(name, QCoreApplication::applicationFilePath(),
                              QFileInfo(QStringLiteral(BOM_JET_READER_INSTALLED)).path()));
}

struct Column {
    QString name;
    qint32 type = 0;
    QString typeName;
};

struct Value {
    quint8 kind = jet::Null;
    QByteArray text;
    double number = 0;
    float single = 0;
    qint64 integer = 0;
};

/// The columns one table of ours needs, and what kinds each may hold.
struct Wanted {
    QLatin1StringView name;
    std::initializer_list<int> types; // libmdb type codes
    QLatin1StringView needs;          // for the message when the type is another
};

// libmdb's type codes (mdbtools.h), kept here so that this side need not include it.
constexpr int MdbByte = 0x02, MdbInt = 0x03, MdbLongInt = 0x04, MdbFloat = 0x06, MdbDouble = 0x07,
              MdbDateTime = 0x08, MdbText = 0x0a, MdbMemo = 0x0c;

const QLatin1StringView TextNeeded{"Text or Memo"};

/// Reads the child's stream as it arrives, one message at a time.
class Stream {
public:
    Stream(QProcess& process, const QString& path, Meter& meter)
        : m_process(process), m_in(&process), m_path(path), m_meter(meter) {
        m_in.setVersion(QDataStream::Qt_6_4);
        m_quiet.start();
    }

    /// Reads one whole message with `read`, waiting for the child while it is incomplete.
    template <typename Read> void take(Read read) {
        for (;;) {
            m_in.startTransaction();
            read(m_in);
            if (m_in.commitTransaction())
                return;
            if (m_in.status() != QDataStream::ReadPastEnd)
                damaged(
                    QCoreApplication::translate("import", "its reader wrote something unreadable"));
            // Incomplete: wait for more, asking the caller now and then whether to go on.
            m_meter.poll();
            if (m_process.waitForReadyRead(100)) {
                m_quiet.restart();
                continue;
            }
            // Ended with the message still incomplete: everything it wrote has been read.
            if (m_process.state() == QProcess::NotRunning)
                ended();
            // libmdb can also go round in circles on a damaged file.
            if (m_quiet.hasExpired(QuietLimitMs)) {
                m_process.kill();
                m_process.waitForFinished();
                damaged(QCoreApplication::translate("import",
                                                    "its reader made no progress for %1 seconds")
                            .arg(QuietLimitMs / 1000));
            }
        }
    }

    /// The child ended before its stream was complete.
    [[noreturn]] void ended() {
        const QString said = QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
        const QString detail =
            said.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(said.left(300));
        if (m_process.exitStatus() == QProcess::CrashExit)
            damaged(QCoreApplication::translate("import", "reading it failed%1").arg(detail));
        damaged(QCoreApplication::translate("import", "its reader stopped early%1").arg(detail));
    }

    [[noreturn]] void damaged(const QString& why) {
        throw StoreError(store::ImportJetDamaged,
                         QCoreApplication::translate("import", "'%1' is damaged or truncated: %2.")
                             .arg(m_path, why));
    }

    /// A failure the reader reported itself.
    [[noreturn]] void failure() {
        qint32 number = 0;
        QString description;
        take([&](QDataStream& in) { in >> number >> description; });
        throw StoreError(number, description);
    }

    QString libmdbSaid() {
        m_process.waitForFinished();
        return QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed();
    }

private:
    QProcess& m_process;
    QDataStream m_in;
    QString m_path;
    Meter& m_meter;
    QElapsedTimer m_quiet; // since the reader last wrote
    static constexpr qint64 QuietLimitMs = 60000;
};

/// One table's rows as the reader sent them, with the positions of the wanted columns.
struct TableRows {
    QString name;
    quint32 declared = 0;
    std::vector<int> columnOf; // per wanted column, its index in the row
    std::vector<std::vector<Value>> rows;
};

TableRows readTable(Stream& stream, const QString& path, QLatin1StringView table,
                    std::initializer_list<Wanted> wanted, Meter& meter, qint64 from, qint64 to) {
    quint8 tag = 0;
    stream.take([&](QDataStream& in) { in >> tag; });
    if (tag == jet::Failure)
        stream.failure();
    if (tag == jet::Missing) {
        QString name;
        stream.take([&](QDataStream& in) { in >> name; });
        // A table that a damaged catalogue hides is not simply missing: libmdb says why.
        const QString said = stream.libmdbSaid();
        if (!said.isEmpty())
            stream.damaged(QCoreApplication::translate("import", "table %1 cannot be found (%2)")
                               .arg(table, said.left(300)));
        throw StoreError(store::ImportMissingTable,
                         QCoreApplication::translate(
                             "import", "Could not find table '%1' in '%2': it is not a database "
                                       "of bills of material.")
                             .arg(table, path));
    }
    if (tag != jet::Table)
        stream.damaged(
            QCoreApplication::translate("import", "its reader wrote something unreadable"));

    TableRows result;
    std::vector<Column> columns;
    stream.take([&](QDataStream& in) {
        quint32 count = 0;
        in >> result.name >> result.declared >> count;
        columns.assign(count, {});
        for (Column& column : columns)
            in >> column.name >> column.type >> column.typeName;
    });
    for (const Wanted& w : wanted) {
        const auto found = std::find_if(columns.begin(), columns.end(), [&](const Column& c) {
            return c.name.compare(w.name, Qt::CaseInsensitive) == 0;
        });
        if (found == columns.end())
            throw StoreError(
                store::ImportMissingColumn,
                QCoreApplication::translate("import", "Table '%1' of '%2' has no column '%3'.")
                    .arg(table, path, w.name));
        if (std::find(w.types.begin(), w.types.end(), found->type) == w.types.end())
            throw StoreError(store::ImportColumnType,
                             QCoreApplication::translate(
                                 "import", "Column '%1' of table '%2' in '%3' is %4; it must be "
                                           "%5.")
                                 .arg(w.name, table, path, found->typeName, w.needs));
        result.columnOf.push_back(int(found - columns.begin()));
    }

    meter.phase(from, to);
    for (;;) {
        stream.take([&](QDataStream& in) { in >> tag; });
        if (tag == jet::Failure)
            stream.failure();
        if (tag == jet::TableEnd)
            break;
        if (tag != jet::Row)
            stream.damaged(
                QCoreApplication::translate("import", "its reader wrote something unreadable"));
        std::vector<Value> row(columns.size());
        stream.take([&](QDataStream& in) {
            for (Value& value : row) {
                in >> value.kind;
                switch (value.kind) {
                case jet::Text:
                    in >> value.text;
                    break;
                case jet::Double:
                case jet::DateTime:
                    in >> value.number;
                    break;
                case jet::Single:
                    in >> value.single;
                    break;
                case jet::Integer:
                    in >> value.integer;
                    break;
                default:
                    break;
                }
            }
        });
        result.rows.push_back(std::move(row));
        meter.step(qint64(result.rows.size()), result.declared);
    }
    quint32 read = 0;
    stream.take([&](QDataStream& in) { in >> read; });
    // Every row the table says it has, and no other: a short count means pages that could
    // not be read.
    if (read != result.declared || result.rows.size() != result.declared)
        throw StoreError(store::ImportRowCount,
                         QCoreApplication::translate(
                             "import", "Table '%1' of '%2' says it holds %3 rows, but %4 could "
                                       "be read: the file is damaged or truncated.")
                             .arg(table, path)
                             .arg(result.declared)
                             .arg(result.rows.size()));
    return result;
}

std::optional<QString> textOf(const Value& value, const QString& where, QLatin1StringView column,
                              int number = store::ImportInvalidValue) {
    if (value.kind == jet::Null)
        return std::nullopt;
    if (!QByteArrayView(value.text).isValidUtf8())
        throw StoreError(number,
                         QCoreApplication::translate("import", "%1: the %2 is not valid text.")
                             .arg(where, column));
    return QString::fromUtf8(value.text);
}

QString idOf(const Value& value, const QString& where, QLatin1StringView column) {
    std::optional<QString> text = textOf(value, where, column, store::ImportInvalidId);
    if (!text)
        throw StoreError(
            store::ImportInvalidId,
            QCoreApplication::translate("import", "%1: the %2 is Null.").arg(where, column));
    return *text;
}

std::optional<double> quantityOf(const Value& value, const QString& where) {
    std::optional<double> result;
    switch (value.kind) {
    case jet::Null:
        return std::nullopt;
    case jet::Double:
        if (std::isfinite(value.number))
            result = value.number;
        break;
    case jet::Single:
        result = singleAsDecimal(value.single);
        break;
    case jet::Integer:
        result = double(value.integer);
        break;
    default:
        break;
    }
    if (!result)
        throw StoreError(
            store::ImportInvalidValue,
            QCoreApplication::translate("import", "%1: the bomQtyReq is not a finite number.")
                .arg(where));
    return result;
}

} // namespace

SourceRows readJet(const QString& mdbPath, Meter& meter) {
    if (!QFileInfo(mdbPath).isFile())
        throw StoreError(
            store::ImportSourceUnreadable,
            QCoreApplication::translate("import", "Could not find file '%1'.").arg(mdbPath));
    QProcess process;
    process.setProgram(readerProgram());
    process.setArguments({mdbPath, QStringLiteral("ItemMaster"), QStringLiteral("BomDetail")});
    // libmdb decodes text into the character set this names: UTF-8, whatever the locale.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MDBICONV"), QStringLiteral("UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted())
        throw StoreError(store::ImportJetReaderMissing,
                         QCoreApplication::translate("import", "Could not start '%1': %2.")
                             .arg(process.program(), process.errorString()));
    // Whatever way this ends, the child does not outlive the import.
    struct Stop {
        QProcess& process;
        ~Stop() {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished();
            }
        }
    } stop{process};

    Stream stream(process, mdbPath, meter);
    quint32 magic = 0;
    stream.take([&](QDataStream& in) { in >> magic; });
    if (magic != jet::Magic)
        stream.damaged(
            QCoreApplication::translate("import", "its reader wrote something unreadable"));
    quint8 tag = 0;
    qint32 version = 0;
    stream.take([&](QDataStream& in) { in >> tag; });
    if (tag == jet::Failure)
        stream.failure();
    if (tag != jet::Version)
        stream.damaged(
            QCoreApplication::translate("import", "its reader wrote something unreadable"));
    stream.take([&](QDataStream& in) { in >> version; });

    SourceRows rows;
    rows.jetVersion = version;
    rows.itemSource = QStringLiteral("ItemMaster");
    rows.lineSource = QStringLiteral("BomDetail");
    const TableRows items =
        readTable(stream, mdbPath, QLatin1StringView("ItemMaster"),
                  {{QLatin1StringView("ItemID"), {MdbText}, QLatin1StringView("Text")},
                   {QLatin1StringView("ItemDesc"), {MdbText, MdbMemo}, TextNeeded},
                   {QLatin1StringView("ItemUom"), {MdbText, MdbMemo}, TextNeeded}},
                  meter, 0, 200);
    const TableRows lines =
        readTable(stream, mdbPath, QLatin1StringView("BomDetail"),
                  {{QLatin1StringView("BomID"), {MdbText}, QLatin1StringView("Text")},
                   {QLatin1StringView("BomComp"), {MdbText}, QLatin1StringView("Text")},
                   {QLatin1StringView("bomQtyReq"),
                    {MdbDouble, MdbFloat, MdbByte, MdbInt, MdbLongInt},
                    QLatin1StringView("a number (Double, Single, Byte, Integer or Long Integer)")},
                   {QLatin1StringView("StartDate"), {MdbDateTime}, QLatin1StringView("Date/Time")}},
                  meter, 200, 500);
    stream.take([&](QDataStream& in) { in >> tag; });
    if (tag == jet::Failure)
        stream.failure();
    if (tag != jet::End)
        stream.damaged(
            QCoreApplication::translate("import", "its reader wrote something unreadable"));
    process.waitForFinished();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        stream.ended();

    qint64 number = 0;
    for (const std::vector<Value>& row : items.rows) {
        const Place place{++number, 0};
        const QString where = describe(rows.itemSource, place);
        rows.items.push_back(
            {idOf(row[size_t(items.columnOf[0])], where, QLatin1StringView("ItemID")),
             textOf(row[size_t(items.columnOf[1])], where, QLatin1StringView("ItemDesc")),
             textOf(row[size_t(items.columnOf[2])], where, QLatin1StringView("ItemUom"))});
        rows.itemPlaces.push_back(place);
    }
    number = 0;
    for (const std::vector<Value>& row : lines.rows) {
        const Place place{++number, 0};
        const QString where = describe(rows.lineSource, place);
        store::ImportedLine line{
            idOf(row[size_t(lines.columnOf[0])], where, QLatin1StringView("BomID")),
            idOf(row[size_t(lines.columnOf[1])], where, QLatin1StringView("BomComp")),
            quantityOf(row[size_t(lines.columnOf[2])], where), std::nullopt};
        const Value& date = row[size_t(lines.columnOf[3])];
        if (date.kind == jet::DateTime) {
            line.startDate = jetDateText(date.number);
            if (!line.startDate)
                throw StoreError(store::ImportInvalidValue,
                                 QCoreApplication::translate(
                                     "import", "%1: the StartDate is outside the years 100 to "
                                               "9999.")
                                     .arg(where));
        }
        rows.lines.push_back(std::move(line));
        rows.linePlaces.push_back(place);
    }
    return rows;
}

} // namespace import
