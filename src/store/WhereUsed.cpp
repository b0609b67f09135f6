#include "store/WhereUsed.h"

#include "store/Database.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QHash>
#include <QSqlDriver>

#include <sqlite3.h>

#include <algorithm>
#include <deque>
#include <vector>

namespace store {

namespace {

const QString ReadWhat = QStringLiteral("Could not read BomDetail");

StoreError sqliteFailure(sqlite3* connection, const QString& what) {
    if ((sqlite3_extended_errcode(connection) & 0xff) == SQLITE_NOTADB)
        return StoreError(NotADatabase, QStringLiteral("The file is not a database: %1.")
                                            .arg(QString::fromUtf8(sqlite3_errmsg(connection))));
    return StoreError(QueryFailed,
                      QStringLiteral("%1: %2.").arg(what, QString::fromUtf8(sqlite3_errmsg(connection))));
}

/// A statement stepped through SQLite's own interface, finalized on every path. Every step
/// that is neither a row nor the end is a failure: a damaged page must never look like the end.
class Native {
public:
    Native(sqlite3* connection, QLatin1StringView sql, const QString& what)
        : m_connection(connection), m_what(what) {
        if (sqlite3_prepare_v2(connection, sql.data(), int(sql.size()), &m_statement, nullptr) !=
            SQLITE_OK)
            throw sqliteFailure(connection, what);
    }
    ~Native() { sqlite3_finalize(m_statement); }
    Native(const Native&) = delete;
    Native& operator=(const Native&) = delete;

    void rebind(const QByteArray& utf8) {
        sqlite3_reset(m_statement);
        sqlite3_bind_text(m_statement, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
    }
    bool next() {
        const int step = sqlite3_step(m_statement);
        if (step == SQLITE_ROW)
            return true;
        if (step == SQLITE_DONE)
            return false;
        throw sqliteFailure(m_connection, m_what);
    }
    QByteArrayView bytes(int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
    }
    int type(int column) { return sqlite3_column_type(m_statement, column); }
    double number(int column) { return sqlite3_column_double(m_statement, column); }

private:
    sqlite3* m_connection;
    QString m_what;
    sqlite3_stmt* m_statement = nullptr;
};

/// The key under which SQLite's NOCASE collation matches an ID: ASCII letters folded, every
/// other byte (UTF-8 sequences included) as it is. Works on the stored bytes, so that the pass
/// over the table decodes no text it does not report.
QByteArray foldBytes(QByteArrayView bytes) {
    QByteArray key(bytes.data(), bytes.size());
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return key;
}

/// An ID as text; an ID that is not valid UTF-8 cannot be shown or sought as stored.
QString decodeOrFail(QByteArrayView bytes, const char* table) {
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString readable;
    for (const char c : bytes)
        readable += uchar(c) >= 0x20 && uchar(c) < 0x7f
                        ? QString(QLatin1Char(c))
                        : QStringLiteral("\\x%1").arg(uint(uchar(c)), 2, 16, QLatin1Char('0')).toUpper();
    throw StoreError(UnreadableId,
                     QStringLiteral("%1 holds the item ID '%2', which is not valid UTF-8 text: "
                                    "correct it in the database, for example by importing it "
                                    "again as UTF-8.")
                         .arg(QLatin1StringView(table), readable));
}

/// One line of BomDetail as the walk needs it.
struct Line {
    QByteArray assembly; ///< BomID as stored
    int nextUser = -1;   ///< the next line with the same component, or -1
    enum : quint8 { Number, Null, NotANumber } kind = Number;
    double quantity = 0;
};

/// An item reached by the walk (or the item itself, node 0).
struct Reached {
    QByteArray key;      ///< folded ID
    QByteArray spelling; ///< as BomDetail first spells it
    int level = 0;
    std::vector<std::pair<int, int>> down; ///< (reached component, line) for each of its lines
    int pending = 0;     ///< lines whose component's quantity is not known yet
    double quantity = 0;
    bool nullQuantity = false;
    bool done = false;
};

/// Ends a read transaction that the walk began, however it ends.
struct ReadTransaction {
    sqlite3* connection;
    bool own;
    ReadTransaction(sqlite3* c) : connection(c), own(sqlite3_get_autocommit(c) != 0) {
        if (own && sqlite3_exec(connection, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw sqliteFailure(connection, ReadWhat);
    }
    ~ReadTransaction() {
        if (own)
            sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr);
    }
};

} // namespace

std::vector<WhereUsedRow> Database::whereUsed(const QString& item) {
    const QVariant handle = m_db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        throw StoreError(QueryFailed, QStringLiteral("The database driver is not SQLite."));
    sqlite3* const connection = *static_cast<sqlite3* const*>(handle.constData());
    // One state of the file for the lines and the descriptions alike.
    const ReadTransaction transaction(connection);

    // The whole table once, indexed by component: each line chained to the next line that
    // uses the same component.
    std::vector<Line> lines;
    QHash<QByteArray, int> firstUser;
    {
        Native all(connection, schema::SelectAllLines, ReadWhat);
        while (all.next()) {
            Line line;
            line.assembly = all.bytes(0).toByteArray();
            switch (all.type(2)) {
            case SQLITE_NULL:
                line.kind = Line::Null;
                break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
                line.quantity = all.number(2);
                break;
            default: {
                bool ok = false;
                line.quantity = all.bytes(2).toByteArray().trimmed().toDouble(&ok);
                line.kind = ok ? Line::Number : Line::NotANumber;
            }
            }
            int& first = firstUser[foldBytes(all.bytes(1))];
            line.nextUser = first == 0 ? -1 : first - 1; // stored one up: 0 is "none yet"
            first = int(lines.size()) + 1;
            lines.push_back(std::move(line));
        }
    }

    // Upward, level by level (breadth first): the first level that reaches an assembly is its
    // fewest steps down to the item. Each assembly is expanded once, so a cycle ends the walk
    // instead of looping. The item itself, met again above, is a separate entry that is not
    // expanded: the assemblies above it are those of the item, already on the way.
    const QByteArray itemKey = foldBytes(item.toUtf8());
    std::vector<Reached> reached(1);
    reached[0].key = itemKey;
    reached[0].done = true;
    reached[0].quantity = 1;
    QHash<QByteArray, int> indexOf;
    indexOf.insert(itemKey, 0);
    int itself = -1;
    std::vector<int> frontier{0};
    for (int level = 1; !frontier.empty(); ++level) {
        std::vector<int> next;
        for (const int component : frontier) {
            const int first = firstUser.value(reached[size_t(component)].key, 0);
            for (int at = first - 1; at >= 0; at = lines[size_t(at)].nextUser) {
                const Line& line = lines[size_t(at)];
                QByteArray key = foldBytes(line.assembly);
                int assembly;
                if (key == itemKey) {
                    if (itself < 0) {
                        itself = int(reached.size());
                        reached.push_back({key, line.assembly, level, {}, 0, 0, false, false});
                    }
                    assembly = itself;
                } else if (const auto found = indexOf.constFind(key); found != indexOf.cend()) {
                    assembly = *found;
                } else {
                    assembly = int(reached.size());
                    indexOf.insert(key, assembly);
                    reached.push_back({std::move(key), line.assembly, level, {}, 0, 0, false, false});
                    next.push_back(assembly);
                }
                reached[size_t(assembly)].down.emplace_back(component, at);
            }
        }
        frontier = std::move(next);
    }

    // Quantities from the item upward: an assembly's is known once those of all its components
    // on the way are (the order of a walk without cycles). What stays unknown is on a cycle or
    // above one.
    std::vector<std::vector<std::pair<int, int>>> up(reached.size());
    for (size_t a = 1; a < reached.size(); ++a) {
        reached[a].pending = int(reached[a].down.size());
        for (const auto& [component, line] : reached[a].down)
            up[size_t(component)].emplace_back(int(a), line);
    }
    std::deque<int> known{0};
    while (!known.empty()) {
        const Reached& component = reached[size_t(known.front())];
        const int componentIndex = known.front();
        known.pop_front();
        for (const auto& [assemblyIndex, lineIndex] : up[size_t(componentIndex)]) {
            Reached& assembly = reached[size_t(assemblyIndex)];
            const Line& line = lines[size_t(lineIndex)];
            if (line.kind == Line::NotANumber)
                throw StoreError(
                    QueryFailed,
                    QStringLiteral("The quantity of '%1' in '%2' is not a number.")
                        .arg(componentIndex == 0 ? item : QString::fromUtf8(component.spelling),
                             QString::fromUtf8(line.assembly)));
            if (line.kind == Line::Null || component.nullQuantity)
                assembly.nullQuantity = true;
            else
                assembly.quantity += line.quantity * component.quantity;
            if (--assembly.pending == 0) {
                assembly.done = true;
                known.push_back(assemblyIndex);
            }
        }
    }

    std::vector<size_t> order;
    for (size_t a = 1; a < reached.size(); ++a)
        order.push_back(a);
    // Level, then ID in the order of the store's case rule (NOCASE compares folded bytes).
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (reached[a].level != reached[b].level)
            return reached[a].level < reached[b].level;
        return reached[a].key < reached[b].key;
    });

    std::vector<WhereUsedRow> rows;
    rows.reserve(order.size());
    Native described(connection, schema::SelectItemDescription,
                     QStringLiteral("Could not read ItemMaster"));
    for (const size_t a : order) {
        const Reached& r = reached[a];
        WhereUsedRow row;
        row.level = r.level;
        // When the item contains itself, every assembly that uses it needs it without end.
        row.circular = !r.done || itself >= 0;
        if (!row.circular && !r.nullQuantity)
            row.quantity = r.quantity;
        described.rebind(r.spelling);
        if (described.next()) {
            row.inItemMaster = true;
            row.assembly = decodeOrFail(described.bytes(0), "ItemMaster");
            if (described.type(1) != SQLITE_NULL)
                row.description = QString::fromUtf8(described.bytes(1));
        } else {
            row.assembly = decodeOrFail(r.spelling, "BomDetail");
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace store
