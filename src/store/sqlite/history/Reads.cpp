// Reading a file's history: its changes, the lines of a bill as of a moment, how many changes
// it keeps and since when; and the history as HistoryLog reads it.

#include "store/sqlite/history/HistoryFile.h"

#include "store/ItemKey.h"
#include "store/SessionName.h"
#include "store/StoreError.h"
#include "store/sqlite/history/HistoryRows.h"
#include "store/sqlite/history/HistorySql.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSet>

#include <sqlite3.h>

#include <tuple>

namespace store::history {

namespace {

ChangeSource sourceOf(int stored, const QString& session) {
    switch (stored) {
    case EditorSource:
        return session == editorSessionName() ? ChangeSource::ThisEditor
                                              : ChangeSource::AnotherEditor;
    case RestoreSource:
        return ChangeSource::Restore;
    default:
        return ChangeSource::AnotherProgram;
    }
}

} // namespace

std::vector<ChangeRecord> HistoryFile::changes(const HistoryQuery& query) {
    QString select = historyschema::SelectChanges;
    QVariantList values;
    if (!query.assemblies.isEmpty()) {
        exec(historyschema::MakeWanted);
        sql::NativeStatement want = statement(m_db, historyschema::AddWanted);
        for (const QString& assembly : query.assemblies) {
            want.bind(assembly);
            want.run();
        }
        select += historyschema::ChangesOfWanted;
        if (!query.component.isEmpty()) {
            select += historyschema::ChangesOfComponent;
            values << query.component;
        }
    }
    if (!query.item.isEmpty()) {
        select += historyschema::ChangesOfItem;
        values << query.item << query.item;
    }
    if (query.since) {
        select += historyschema::ChangesSince;
        values << query.since->toMSecsSinceEpoch();
    }
    if (query.until) {
        select += historyschema::ChangesUntil;
        values << query.until->toMSecsSinceEpoch();
    }
    if (query.changeSet) {
        select += historyschema::ChangesOfSet;
        values << *query.changeSet;
    }
    if (!query.person.isEmpty()) {
        select += historyschema::ChangesOfPerson;
        values << query.person;
    }
    if (query.source) {
        switch (*query.source) {
        case ChangeSource::ThisEditor:
            select += historyschema::ChangesOfThisEditor;
            values << editorSessionName();
            break;
        case ChangeSource::AnotherEditor:
            select += historyschema::ChangesOfOtherEditors;
            values << editorSessionName();
            break;
        case ChangeSource::AnotherProgram:
            select += historyschema::ChangesOfPrograms;
            break;
        case ChangeSource::Restore:
            select += historyschema::ChangesOfRestores;
            break;
        }
    }
    select += historyschema::ChangesNewestFirst;
    values << query.limit;

    const QByteArray text = select.toUtf8();
    sql::NativeStatement read =
        statement(m_db, QLatin1StringView(text.constData(), text.size()));
    for (const QVariant& value : values)
        read.bind(value);
    std::vector<ChangeRecord> records;
    while (read.next()) {
        ChangeRecord record;
        record.changeSet = read.integer(0);
        record.time = utc(read.integer(1));
        if (!read.value(2).isNull())
            record.notBefore = utc(read.integer(2));
        record.person = read.text(3);
        record.host = read.text(4);
        record.source = sourceOf(int(read.integer(6)), read.text(5));
        record.program = read.text(7);
        record.command = read.text(8);
        record.reason = read.text(9);
        const bool line = read.integer(10) == LineTable;
        record.table = line ? schema::BomDetail : schema::ItemMaster;
        record.key = read.text(11);
        record.component = read.text(12);
        for (auto [image, at] : {std::pair{&record.before, 13}, std::pair{&record.after, 16}}) {
            image->exists = read.integer(at) != 0;
            if (line) {
                image->quantity = read.value(at + 1);
                image->startDate = read.value(at + 2);
            } else {
                image->description = read.optionalText(at + 1);
                image->unit = read.optionalText(at + 2);
            }
        }
        record.keyDescription = read.optionalText(19);
        record.componentDescription = read.optionalText(20);
        record.timeBackwards = read.integer(21) != 0;
        records.push_back(std::move(record));
    }
    return records;
}

qint64 HistoryFile::changeCount() {
    sql::NativeStatement count = statement(m_db, historyschema::CountChanges);
    qint64 n = 0;
    if (count.next())
        n = count.integer(0);
    count.clear();
    return n;
}

qint64 HistoryFile::lastSetAt(qint64 at) {
    // Every editor's clock is its own: the history's order is that of its commits (the change
    // sets' ids), and a moment ends the run of change sets recorded at or before it, at the
    // first one dated after it. A change dated past this clock's now was made already: it is
    // taken as made right after the one before it, so that "now" holds every change, however
    // far ahead another desk's clock had dated one.
    const qint64 now = nowMs();
    sql::NativeStatement read =
        statement(m_db, at >= now ? historyschema::LastSet : historyschema::LastSetAt);
    if (at < now)
        read.bind(at).bind(now);
    const qint64 last = read.next() ? read.integer(0) : 0;
    read.clear();
    return last;
}

QDateTime HistoryFile::keptSince() {
    return utc(metaText("since").toLongLong());
}

LinesAsOf HistoryFile::linesAsOf(const QString& item, const QDateTime& moment) {
    const qint64 at = moment.toMSecsSinceEpoch();
    if (at < metaText("since").toLongLong())
        throw StoreError(
            HistoryTooOld,
            QCoreApplication::translate("store",
                                        "The history holds no changes before %1: %2 cannot be "
                                        "rebuilt.")
                .arg(QLocale().toString(keptSince().toLocalTime(), QLocale::ShortFormat),
                     QLocale().toString(moment.toLocalTime(), QLocale::ShortFormat)));
    exec(historyschema::Begin);
    try {
        // Every row changed after the moment, with its first change after it: the row it held
        // then. Usually few beside the lines kept.
        QHash<QString, QHash<LineKey, RowImage>> linesThen; // by folded assembly
        QHash<QString, RowImage> itemsThen;                  // by exact item ID
        {
            // From the change sets after the moment, in the history's order, to their rows.
            sql::NativeStatement later = statement(m_db, historyschema::RowsAfter);
            later.bind(lastSetAt(at));
            while (later.next()) {
                // Newest first: each older change overwrites, so the first after the moment wins.
                const bool line = later.integer(0) == LineTable;
                RowImage then{later.integer(3) != 0, {}, {}, std::nullopt, std::nullopt};
                if (line) {
                    then.quantity = later.value(4);
                    then.startDate = later.value(5);
                    linesThen[foldKey(later.text(1))].insert({later.text(1), later.text(2)}, then);
                } else {
                    then.description = later.optionalText(4);
                    then.unit = later.optionalText(5);
                    itemsThen.insert(later.text(1), then);
                }
            }
        }
        sql::NativeStatement lines = statement(m_db, historyschema::StateLinesOf);
        sql::NativeStatement itemNow = statement(m_db, historyschema::StateItemNoCase);
        QHash<QString, std::optional<Item>> items; // by folded ID, as of the moment
        const auto itemThen = [&](const QString& id) -> std::optional<Item> {
            const QString key = foldKey(id);
            const auto known = items.constFind(key);
            if (known != items.cend())
                return *known;
            std::optional<Item> found;
            itemNow.bind(id);
            while (itemNow.next()) {
                if (!itemsThen.contains(itemNow.text(0)))
                    found = Item{itemNow.text(0), itemNow.optionalText(1), itemNow.optionalText(2)};
            }
            for (auto then = itemsThen.cbegin(); then != itemsThen.cend(); ++then)
                if (foldKey(then.key()) == key && then->exists)
                    found = Item{then.key(), then->description, then->unit};
            items.insert(key, found);
            return found;
        };

        LinesAsOf result;
        QStringList level{item};
        QSet<QString> seen{foldKey(item)};
        while (!level.isEmpty()) {
            QStringList next;
            for (const QString& assembly : level) {
                const QString key = foldKey(assembly);
                // By folded component: its ID, quantity and start date.
                QMap<QString, std::tuple<QString, QVariant, QVariant>> components;
                const QHash<LineKey, RowImage> changed = linesThen.value(key);
                lines.bind(assembly);
                while (lines.next()) {
                    const LineKey line{lines.text(0), lines.text(1)};
                    if (!changed.contains(line))
                        components.insert(foldKey(line.second),
                                          {line.second, lines.value(2), lines.value(3)});
                }
                for (auto then = changed.cbegin(); then != changed.cend(); ++then)
                    if (then->exists)
                        components.insert(foldKey(then.key().second),
                                          {then.key().second, then->quantity, then->startDate});
                if (components.isEmpty())
                    continue;
                ComponentLines bill;
                for (const auto& [id, quantity, startDate] : std::as_const(components)) {
                    ComponentLine line;
                    line.id = id;
                    if (!startDate.isNull())
                        line.startDate = startDate.toString();
                    bool number = false;
                    const double value = quantity.toDouble(&number);
                    if (!quantity.isNull() && number)
                        line.quantity = value;
                    const std::optional<Item> component = itemThen(id);
                    line.inItemMaster = component.has_value();
                    if (component) {
                        line.description = component->description;
                        line.unit = component->unit;
                    }
                    bill.append(line);
                    if (!seen.contains(foldKey(id))) {
                        seen.insert(foldKey(id));
                        next.append(id);
                    }
                }
                result.insert(key, bill);
            }
            level = next;
        }
        exec(historyschema::Commit);
        return result;
    } catch (...) {
        sqlite3_exec(m_db, historyschema::Rollback.data(), nullptr, nullptr, nullptr);
        throw;
    }
}

FileHistoryLog::FileHistoryLog(const QString& databasePath) : m_file(databasePath) {
    m_file.catchUp();
}

std::vector<ChangeRecord> FileHistoryLog::changes(const HistoryQuery& query) {
    return m_file.changes(query);
}

LinesAsOf FileHistoryLog::linesAsOf(const QString& item, const QDateTime& moment) {
    return m_file.linesAsOf(item, moment);
}

qint64 FileHistoryLog::changeCount() {
    return m_file.changeCount();
}

QDateTime FileHistoryLog::keptSince() {
    return m_file.keptSince();
}

qint64 FileHistoryLog::forgetBefore(const QDateTime& moment, const ReadProgress& progress) {
    return m_file.forgetBefore(moment, progress);
}

} // namespace store::history
