#include "HistoryCommand.h"

#include "tree/history/HistoryTexts.h"
#include "store/History.h"
#include "store/StoreError.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <limits>

namespace tools {

namespace {

int refuse(const store::StoreError& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
    return 1;
}

store::StoreError usage(const QString& why) {
    return store::StoreError(
        store::ImportUsage,
        why + QCoreApplication::translate("bom-import", " See bom-import --help."));
}

/// An ISO 8601 date (the start of that day) or date-time; without an offset or Z, local time
/// as the editor shows it.
std::optional<QDateTime> moment(const QString& text) {
    // A date-time first: a date's reading takes the first ten characters of a date-time and
    // drops its time of day.
    if (const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
        time.isValid() && text.contains(QLatin1Char('T')))
        return time;
    if (const QDate day = QDate::fromString(text, Qt::ISODate);
        day.isValid() && text.size() == 10)
        return day.startOfDay();
    return std::nullopt;
}

} // namespace

int runHistory(const QStringList& arguments) {
    store::HistoryQuery query;
    // A script wants every change, not the window's newest screenfuls.
    query.limit = std::numeric_limits<int>::max();
    QString database;
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        const bool since = argument == QLatin1StringView("--since");
        if (since || argument == QLatin1StringView("--item")) {
            if (++at == arguments.size())
                return refuse(usage(
                    QCoreApplication::translate("bom-import", "%1 takes a value.").arg(argument)));
            if (!since) {
                query.item = arguments[at];
            } else if (const auto when = moment(arguments[at])) {
                query.since = when;
            } else {
                return refuse(usage(
                    QCoreApplication::translate("bom-import", "'%1' is no ISO date (2024-05-31) or "
                                                              "date-time (2024-05-31T14:00:00Z).")
                        .arg(arguments[at])));
            }
        } else if (database.isEmpty() && !argument.startsWith(u'-')) {
            database = argument;
        } else {
            return refuse(usage(QCoreApplication::translate(
                                    "bom-import", "--history takes one database (a file or a "
                                                  "server address), then --since WHEN and "
                                                  "--item ID if wanted; '%1' is none of them.")
                                    .arg(argument)));
        }
    }
    if (database.isEmpty())
        return refuse(usage(QCoreApplication::translate(
            "bom-import", "--history takes a database: a file or a server "
                          "address (postgresql://…).")));
    try {
        const std::unique_ptr<store::HistoryLog> log = store::openHistory(database);
        const QByteArray csv = tree::historyDataCsv(log->changes(query));
        if (std::fwrite(csv.constData(), 1, size_t(csv.size()), stdout) != size_t(csv.size()) ||
            std::fflush(stdout) != 0)
            return refuse(store::StoreError(
                store::ExportWriteFailed,
                QCoreApplication::translate("bom-import", "The changes could not be written "
                                                          "to standard output.")));
        return 0;
    } catch (const store::StoreError& error) {
        return refuse(error);
    }
}

} // namespace tools
