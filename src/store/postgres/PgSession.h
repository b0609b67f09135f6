#pragma once

// The store's connections to a server through libpq itself: each statement prepared once per
// connection (parsed anew each time behind a transaction pooler, where a named statement does
// not outlive its transaction), run in one round trip (several of them in one, through libpq's pipeline mode),
// its rows read straight from libpq's buffer; and a connection kept between the window's
// short operations, so that the check before a question and the write after it, or the next
// edit, do not each pay for a new server process. Used by the files of src/store/postgres.

#include "store/ServerAddress.h"
#include "store/Statement.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QHash>
#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;
struct pg_cancel;

namespace store::pg {

struct ResultFree {
    void operator()(pg_result* result) const;
};
/// A statement's result, freed with it.
using Result = std::unique_ptr<pg_result, ResultFree>;

/// One parameter as libpq takes it: the value's text, none for Null.
using Parameter = std::optional<QByteArray>;
/// The text the server reads `value` from: Null (a null string included, as Qt SQL binds it)
/// as none, a number in its shortest exact form, text as UTF-8.
Parameter parameterOf(const QVariant& value);

/// One statement of a round trip: its text with "?" placeholders and its parameters.
struct Call {
    QByteArray sql;
    std::vector<Parameter> parameters;
};

/// One connection of the store to a server, from an address read once (checkedAddress, every
/// libpq keyword the user set passed on as it is; numbered errors: CannotOpen, PasswordNeeded,
/// PasswordRefused, KeyPassphraseNeeded, KeyPassphraseRefused);
/// this editor's own server process, as the change watcher knows it. Among several hosts it
/// asks for one that can write, unless the user said which; where only a standby answers it
/// connects there, read-only (readOnly).
class Session {
public:
    explicit Session(ParsedServerAddress address);
    /// As above for an address not read yet: read once here (checkedAddress).
    explicit Session(const QString& uri);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// The address as shown, without a password, for messages.
    const QString& uri() const { return m_address.shown; }
    /// The address as read, by which the connection is kept and its server told apart.
    const ParsedServerAddress& address() const { return m_address; }

    /// Runs the statements in one round trip, each prepared on this connection the first time
    /// it runs here; their results in order. Outside a transaction they run as one. The first
    /// failure is thrown as `failureNumber` under `what`.
    std::vector<Result> run(const std::vector<Call>& calls, const QString& what,
                            int failureNumber);
    Result run(const Call& call, const QString& what, int failureNumber);
    /// Runs a statement without parameters as it is: transaction control, a cursor's FETCH.
    Result execute(QLatin1StringView sql, const QString& what, int failureNumber);

    /// The tables' column types as the last operation on this connection found them: a
    /// statement prepared before they changed would fail ("cached plan must not change result
    /// type"), so a change forgets every prepared statement (forgetPrepared).
    QByteArray& tableTypes() { return m_tableTypes; }
    void forgetPrepared(const QString& what);

    /// Whether a pooler (PgBouncer) stands between: the server process that answers is not the
    /// one the connection was made with. Statements are then never prepared under a name.
    bool pooled() const { return m_pooled; }
    /// Why the server takes no writes on this connection, in words: a hot standby (the only
    /// host that answered, or the one the user asked for), or transactions read-only by
    /// default; empty where it takes them.
    const QString& readOnly() const { return m_readOnly; }

    /// Asks the server to cancel the running statement; from any thread.
    void cancel();
    /// Whether the server ended the connection (or it broke).
    bool lost() const;
    /// Whether the connection can serve another operation: sound, outside any transaction,
    /// nothing unread, and no cancel asked of it that could still reach a later statement.
    bool reusable() const;
    /// Whether the server said anything while the connection sat idle: it ends a connection
    /// it closes (a restart, an administrator) with a message.
    bool spokeWhileIdle() const;

private:
    [[noreturn]] void failWith(int number, const QString& what, const pg_result* result) const;
    QByteArray preparedName(const QByteArray& sql, bool* prepared);

    const ParsedServerAddress m_address;
    pg_conn* m_connection = nullptr;
    pg_cancel* m_cancel = nullptr;
    bool m_cancelled = false;
    /// The statements prepared on this connection, by text.
    QHash<QByteArray, QByteArray> m_prepared;
    int m_preparedSerial = 0;
    QByteArray m_tableTypes;
    QString m_server;
    int m_pid = 0;
    bool m_pooled = false;
    QString m_readOnly;
};

/// A statement on a Session: bound values are sent as text, the rows read from libpq's
/// buffer. Columns come as Qt SQL's driver gave them: numbers as numbers, the rest as text.
class SessionStatement : public store::Statement {
public:
    SessionStatement(Session& session, QLatin1StringView sql, const QString& what,
                     int failureNumber = QueryFailed);
    SessionStatement& bind(const QVariant& value) override {
        m_bound.push_back(parameterOf(value));
        return *this;
    }
    void exec() override;
    bool next() override { return ++m_row < m_rows; }
    QVariant value(int column) const override;
    qsizetype rowsAffected() const override;

    /// The current row's column without a QVariant: for reads of many rows.
    bool isNull(int column) const;
    QString string(int column) const;
    /// A number as value() would give it; none for Null or text that is no number.
    std::optional<double> number(int column) const;

    /// Takes the result of a run made elsewhere (a pipelined one), to read its rows.
    void adopt(Result result);

private:
    Session& m_session;
    QByteArray m_sql;
    QString m_what;
    int m_failureNumber;
    std::vector<Parameter> m_bound;
    Result m_result;
    int m_row = -1;
    int m_rows = 0;
};

/// A transaction on a Session, rolled back unless committed: READ COMMITTED for a write, a
/// read-only REPEATABLE READ snapshot for several reads that must see one state.
class SessionTransaction : public store::Transaction {
public:
    enum class Kind { Write, Snapshot };
    SessionTransaction(Session& session, const QString& what, Kind kind = Kind::Write);
    /// A write transaction whose first statement goes to the server with its BEGIN, in one
    /// round trip; a failure of either is WriteFailed, with the transaction rolled back. The
    /// first statement's result goes to `firstResult` when given.
    SessionTransaction(Session& session, const QString& what, const Call& first,
                       Result* firstResult = nullptr);
    ~SessionTransaction() override;
    void commit() override;

private:
    Session& m_session;
    QString m_what;
    bool m_open = true;
};

/// The keys of `ids` as one array literal: ASCII letters folded to lower case, as lower()
/// folds text of collation "C", each element quoted, with its quotes and backslashes escaped.
/// For the "= ANY" and unnest look-ups of the key indexes, bound as one text[] parameter.
QString keyArray(const QStringList& ids);

/// Throws StoreError unless the database holds ItemMaster and BomDetail with the columns and
/// primary keys the editor relies on (SchemaCheck.h) and the unique indexes under the key rule
/// (MissingKeyIndex), read in one round trip. Statements prepared before another program
/// changed a column's type are forgotten. Every open and every import writer checks this way.
void checkTables(Session& session);

/// A connection to `address`: one kept from an earlier operation when there is one that the
/// server did not end meanwhile (`kept` then says so), otherwise a new one. Never one that
/// another operation holds.
std::unique_ptr<Session> takeSession(const ParsedServerAddress& address, bool* kept = nullptr);
/// As above for an address not read yet: read once here (checkedAddress).
std::unique_ptr<Session> takeSession(const QString& uri, bool* kept = nullptr);
/// Keeps `session` for the next operation on its server while it is reusable; closes it
/// otherwise, and a kept one that nobody took for a while.
void keepSession(std::unique_ptr<Session> session);
/// Closes every kept connection now.
void closeKeptSessions();

} // namespace store::pg
