#include "store/WatchSource.h"

#include "store/History.h"
#include "store/SessionName.h"
#include "store/StoreError.h"
#include "store/postgres/PgChangeSql.h"
#include "store/postgres/PgHistorySql.h"
#include "store/postgres/PgHistoryWatch.h"
#include "store/postgres/PgLibpq.h"
#include "store/postgres/PgOwnSessions.h"
#include "store/postgres/PgSql.h"
#include "store/ServerAddress.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <libpq-fe.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace store::watch {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// A lost connection is tried again this often.
constexpr auto ReconnectEvery = 2s;
/// The other editors are counted this often; the count is also what notices a connection
/// that went silent without being closed.
constexpr auto CountEvery = 5s;
/// A statement of the watcher's that has no answer within this is taken for a lost connection.
constexpr auto AnswerWithin = 5s;
/// A notice of the watcher's own that has not come back within this never will: the
/// connection goes through a pooler that drops notices.
constexpr auto ProbeWithin = 1s;

// The watcher's notices, put in the user's words where they are said.
const char* const NoTriggers = QT_TRANSLATE_NOOP(
    "store", "Changes by other editors show only after a reload: the server's tables have no "
             "change triggers (bom-import --create-schema adds them)");
const char* const NoHistory = QT_TRANSLATE_NOOP(
    "store", "This server keeps no history of changes, not even the editor's own: Tools ▸ Keep "
             "History on This Server… or bom-import --enable-history turns it on");

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnectionDeleter {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};
using PgConn = std::unique_ptr<PGconn, ConnectionDeleter>;

/// What a notice says. A payload that is not the triggers' (someone else notifying on the
/// channel) is taken to mean that anything changed. The payload's writer ("w") is not read:
/// any session can give itself this editor's name, and two editors in containers can have the
/// same one; whose write it was, the notice's sender process (PgOwnSessions.h) says.
Changes readNotice(const char* payload) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(payload), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Changes{true, {}, {}};
    const QJsonObject notice = document.object();
    Changes said;
    said.everything = notice.value(QLatin1String("all")).toBool();
    for (const QJsonValue& id : notice.value(QLatin1String("a")).toArray())
        said.assemblies.append(id.toString());
    for (const QJsonValue& id : notice.value(QLatin1String("i")).toArray())
        said.items.append(id.toString());
    // Each ID once under the key rule, as two statements of one transaction may name it twice.
    Changes once;
    once.merge(said);
    return once;
}

class ServerWatch : public Source {
public:
    ServerWatch(const QString& uri, Sink& sink)
        : m_address(addressOf(uri)), m_own(sessionApplicationName()), m_sink(sink) {
        if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
            m_wake[0] = m_wake[1] = -1;
        m_thread = std::thread([this] { run(); });
    }

    ~ServerWatch() override {
        m_stop = true;
        wake();
        m_thread.join();
        for (int fd : m_wake)
            if (fd >= 0)
                ::close(fd);
    }

    void setIntervals(int pollMs, int groupMs) override {
        // A server tells of its changes itself; the poll serves only where it cannot (a
        // standby, a transaction pooler).
        m_pollMs = std::max(1, pollMs);
        m_groupMs = std::max(0, groupMs);
        wake();
    }

    void setTriggerCheck(int everyMs) override {
        m_triggerCheckMs = std::max(1, everyMs);
        wake();
    }

private:
    enum class Woken { Ready, Timeout, Wake, Stop };
    /// How the watch learns of other editors' commits: their notices, or a look every poll
    /// where notices cannot reach it.
    enum class Hearing { Notices, PollStandby, PollPooler };
    enum class Triggers { Unknown, There, Missing };

    /// The address read once; none where it cannot be read (never connected to: the store
    /// that opened this address says why).
    static std::optional<ParsedServerAddress> addressOf(const QString& uri) {
        try {
            return parseServerAddress(uri);
        } catch (const StoreError&) {
            return std::nullopt;
        }
    }

    void wake() {
        if (m_wake[1] >= 0)
            [[maybe_unused]] const ssize_t written = ::write(m_wake[1], "x", 1);
    }

    /// Waits until `socket` is ready for `events` (no socket: only the time), the deadline
    /// passes, or the owner asks for something.
    Woken waitFor(int socket, short events, Clock::time_point deadline) {
        for (;;) {
            if (m_stop)
                return Woken::Stop;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {socket, events, 0}};
            const int rc = ::poll(fds, socket >= 0 ? 2 : 1,
                                  int(std::clamp<qint64>(left.count(), 0, 60000)));
            if (rc < 0 && errno == EINTR)
                continue;
            if (rc < 0)
                return Woken::Stop; // nothing left to wait with
            if (fds[0].revents) {
                char drained[64];
                while (::read(m_wake[0], drained, sizeof drained) > 0) {
                }
                return m_stop ? Woken::Stop : Woken::Wake;
            }
            if (socket >= 0 && fds[1].revents)
                return Woken::Ready;
            if (Clock::now() >= deadline)
                return Woken::Timeout;
        }
    }

    void pause(std::chrono::milliseconds span) {
        const auto until = Clock::now() + span;
        while (waitFor(-1, 0, until) == Woken::Wake) {
        }
    }

    /// A connection of the watcher's own, made without blocking a stop; null on failure.
    PgConn connect() {
        if (!m_address)
            return nullptr;
        // The server the writes go to, as the store's connections choose it (PgSession.h):
        // among several hosts the one that can write, a standby only where no other answers.
        const bool chooseWriter =
            m_address->field(QLatin1StringView("target_session_attrs")).isEmpty() &&
            qEnvironmentVariableIsEmpty("PGTARGETSESSIONATTRS");
        bool onlyStandbys = false;
        PgConn connection = connectAs(chooseWriter ? "read-write" : nullptr, &onlyStandbys);
        if (!connection && onlyStandbys && !m_stop)
            connection = connectAs("any", &onlyStandbys);
        return connection;
    }

    PgConn connectAs(const char* sessionAttributes, bool* onlyStandbys) {
        std::optional<pg::LibpqParams> params;
        params.emplace(*m_address);
        if (sessionAttributes)
            params->add("target_session_attrs", QString::fromLatin1(sessionAttributes));
        PgConn connection(PQconnectStartParams(params->keywords(), params->values(), 0));
        if (!connection)
            return nullptr;
        // A server that ends the connection says so in a notice; it is no news to print.
        PQsetNoticeProcessor(connection.get(), [](void*, const char*) {}, nullptr);
        const auto deadline = Clock::now() + std::chrono::seconds(pgschema::ConnectTimeoutSeconds);
        PostgresPollingStatusType status = PGRES_POLLING_WRITING;
        while (PQstatus(connection.get()) != CONNECTION_BAD && status != PGRES_POLLING_FAILED) {
            if (status == PGRES_POLLING_OK) {
                // The server whose process IDs tell this editor's own notices
                // (PgOwnSessions.h): the one of the address's hosts that answered.
                m_server = pg::serverOfConnection(connection.get());
                return pg::tagApplicationName(connection.get()) &&
                               PQsetnonblocking(connection.get(), 1) == 0
                           ? std::move(connection)
                           : nullptr;
            }
            const Woken woken =
                waitFor(PQsocket(connection.get()),
                        status == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline);
            if (woken == Woken::Stop || woken == Woken::Timeout)
                return nullptr;
            if (woken == Woken::Ready)
                status = PQconnectPoll(connection.get());
        }
        const QString why = QString::fromUtf8(PQerrorMessage(connection.get()));
        *onlyStandbys = why.contains(QLatin1String("read-only")) ||
                        why.contains(QLatin1String("hot standby"));
        return nullptr;
    }

    /// Runs one statement; its result (which may be the server's refusal), or null for a
    /// connection that failed or gave no answer in time, or a stop.
    Result exec(PGconn* connection, const char* sql, const QByteArray* parameter = nullptr) {
        const char* values[1] = {parameter ? parameter->constData() : nullptr};
        if (!PQsendQueryParams(connection, sql, parameter ? 1 : 0, nullptr, values, nullptr,
                               nullptr, 0))
            return nullptr;
        const auto deadline = Clock::now() + AnswerWithin;
        const int socket = PQsocket(connection);
        for (;;) {
            const int flushed = PQflush(connection);
            if (flushed < 0)
                return nullptr;
            if (flushed == 0)
                break;
            const Woken woken = waitFor(socket, POLLOUT | POLLIN, deadline);
            if (woken == Woken::Stop || woken == Woken::Timeout)
                return nullptr;
            if (woken == Woken::Ready && !PQconsumeInput(connection))
                return nullptr;
        }
        Result last;
        for (;;) {
            while (!PQisBusy(connection)) {
                Result next(PQgetResult(connection));
                if (!next)
                    return last;
                last = std::move(next);
            }
            const Woken woken = waitFor(socket, POLLIN, deadline);
            if (woken == Woken::Stop || woken == Woken::Timeout)
                return nullptr;
            if (woken == Woken::Ready && !PQconsumeInput(connection))
                return nullptr;
        }
    }

    /// Gathers the notices that libpq has read so far into the group under way.
    void gather(PGconn* connection) {
        while (PGnotify* notify = PQnotifies(connection)) {
            if (!pg::isOwnSession(m_server, notify->be_pid)) {
                m_pending.merge(readNotice(notify->extra));
                // A commit is said at once, unless a change was said less than a group ago:
                // the commits of a burst are then said together, a group after the last said.
                if (!m_groupEnd)
                    m_groupEnd = std::max(Clock::now(),
                                          m_lastSaid + std::chrono::milliseconds(m_groupMs.load()));
            }
            PQfreemem(notify);
        }
    }

    /// False when the connection is lost.
    bool countEditors(PGconn* connection) {
        const QByteArray own = m_own.toUtf8();
        const Result result = exec(connection, pgschema::CountOtherEditorsByTag, &own);
        if (!result)
            return false;
        if (PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) == 1) {
            const int others = std::atoi(PQgetvalue(result.get(), 0, 0));
            if (others != m_editors) {
                m_editors = others;
                m_sink.editors(others);
            }
        }
        gather(connection);
        return true;
    }

    /// Reads whether the change triggers are on the tables, and says so when that changed:
    /// triggers dropped or disabled while the editor watches leave it deaf to other editors
    /// as surely as tables that never had them. Once they are back, what was missed meanwhile
    /// is read again. `connected`: the connection was just made, and a notice of its own
    /// may have taken the status bar's place, so that their lack is said again. False when
    /// the connection is lost.
    bool checkTriggers(PGconn* connection, bool connected) {
        const Result result = exec(connection, pgschema::SelectChangeTriggers);
        if (!result)
            return false;
        const bool there =
            PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) == 1 &&
            std::atoi(PQgetvalue(result.get(), 0, 0)) >= pgschema::ChangeTriggerCount;
        const Triggers was = m_triggers;
        m_triggers = there ? Triggers::There : Triggers::Missing;
        m_lastTriggerCheck = Clock::now();
        // The history's own triggers too: a gap in its record is said (PgHistoryWatch.h).
        if (const QString gap = m_historyGaps.check([&](const char* sql) {
                return firstRow(connection, sql);
            });
            !gap.isEmpty())
            m_sink.notice(gap);
        if (!there && (was != Triggers::Missing || connected)) {
            m_sink.notice(QCoreApplication::translate("store", NoTriggers));
        } else if (there && was == Triggers::Missing) {
            m_sink.changes(Changes{true, {}, {}});
            m_sink.notice(QCoreApplication::translate(
                "store", "The server's tables have their change triggers again; "
                         "what is shown was read again."));
        }
        gather(connection);
        return true;
    }

    /// The first row of a statement's answer as text; none for a failure or no row.
    std::optional<QStringList> firstRow(PGconn* connection, const char* sql) {
        const Result result = exec(connection, sql);
        if (!result || PQresultStatus(result.get()) != PGRES_TUPLES_OK ||
            PQntuples(result.get()) < 1)
            return std::nullopt;
        QStringList row;
        for (int column = 0; column < PQnfields(result.get()); ++column)
            row.append(QString::fromUtf8(PQgetvalue(result.get(), 0, column)));
        return row;
    }

    /// Says once, when the watch begins, that the server keeps no history of changes and how
    /// it comes to keep one, unless the user has turned the history off; a lack of change
    /// triggers, said already, comes first.
    void sayWhenNoHistory(PGconn* connection) {
        if (m_triggers != Triggers::There || !fileHistoryKept())
            return;
        const Result result = exec(connection, pgschema::SelectHistoryPresent.data());
        if (result && PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) == 1 &&
            PQgetvalue(result.get(), 0, 0)[0] == 'f')
            m_sink.notice(QCoreApplication::translate("store", NoHistory));
        gather(connection);
    }

    Clock::time_point nextTriggerCheck() const {
        return m_lastTriggerCheck + std::chrono::milliseconds(m_triggerCheckMs.load());
    }

    /// Listens until the connection is lost or the owner stops the watch.
    void serve(PGconn* connection) {
        auto nextCount = Clock::now() + CountEvery;
        while (!m_stop) {
            auto deadline = std::min(nextCount, nextTriggerCheck());
            if (m_groupEnd)
                deadline = std::min(deadline, *m_groupEnd);
            const Woken woken = waitFor(PQsocket(connection), POLLIN, deadline);
            if (woken == Woken::Stop)
                return;
            if (woken == Woken::Ready &&
                (!PQconsumeInput(connection) || PQstatus(connection) == CONNECTION_BAD))
                return;
            gather(connection);
            if (m_groupEnd && Clock::now() >= *m_groupEnd) {
                if (!m_pending.isEmpty()) {
                    m_sink.changes(m_pending);
                    m_lastSaid = Clock::now();
                }
                m_pending = Changes();
                m_groupEnd.reset();
            }
            if (Clock::now() >= nextCount) {
                if (!countEditors(connection))
                    return;
                nextCount = Clock::now() + CountEvery;
            }
            if (Clock::now() >= nextTriggerCheck() && !checkTriggers(connection, false))
                return;
        }
    }

    /// Makes the connection and starts listening; null when either fails. `hearing` says
    /// whether notices reach this connection: a standby refuses LISTEN, and a transaction
    /// pooler hands each transaction to some server process, the listening one included, so
    /// that notices meant for it go nowhere. A notice of its own, sent on a channel of its own,
    /// is the proof.
    PgConn listen(Hearing* hearing) {
        PgConn connection = connect();
        if (!connection)
            return nullptr;
        const int pid = PQbackendPID(connection.get());
        const Result process = exec(connection.get(), pgschema::SelectBackendPid.data());
        if (!process || PQresultStatus(process.get()) != PGRES_TUPLES_OK ||
            PQntuples(process.get()) != 1)
            return nullptr;
        if (std::atoi(PQgetvalue(process.get(), 0, 0)) != pid) {
            *hearing = Hearing::PollPooler;
            return connection;
        }
        const Result listening = exec(connection.get(), pgschema::ListenChanges);
        if (!listening)
            return nullptr;
        if (PQresultStatus(listening.get()) != PGRES_COMMAND_OK) {
            const char* state = PQresultErrorField(listening.get(), PG_DIAG_SQLSTATE);
            if (!state || qstrcmp(state, "25006") != 0)
                return nullptr;
            *hearing = Hearing::PollStandby; // read-only: recovery refuses LISTEN
            return connection;
        }
        const QByteArray channel = "fabrilux_bom_probe_" + QByteArray::number(pid);
        const Result probing = exec(connection.get(), ("LISTEN " + channel).constData());
        const Result sent = exec(connection.get(), pgschema::NotifyProbe, &channel);
        if (!probing || !sent)
            return nullptr;
        *hearing = Hearing::PollPooler;
        const auto deadline = Clock::now() + ProbeWithin;
        while (*hearing != Hearing::Notices) {
            while (PGnotify* notify = PQnotifies(connection.get())) {
                if (channel == notify->relname && notify->be_pid == pid)
                    *hearing = Hearing::Notices;
                else
                    m_early.emplace_back(readNotice(notify->extra), notify->be_pid);
                PQfreemem(notify);
            }
            if (*hearing == Hearing::Notices)
                break;
            const Woken woken = waitFor(PQsocket(connection.get()), POLLIN, deadline);
            if (woken == Woken::Stop)
                return nullptr;
            if (woken == Woken::Timeout)
                break;
            if (woken == Woken::Ready && !PQconsumeInput(connection.get()))
                return nullptr;
        }
        if (!exec(connection.get(), ("UNLISTEN " + channel).constData()))
            return nullptr;
        return connection;
    }

    /// Says once a watch why it reads changes every poll, and how slow that is.
    void sayPolling(Hearing hearing) {
        if (m_saidPolling || hearing == Hearing::Notices)
            return;
        m_saidPolling = true;
        m_sink.notice(hearing == Hearing::PollStandby
                          ? QCoreApplication::translate(
                                "store",
                                "This server is a read-only standby: browse, no edits. Other "
                                "editors' changes, made on the primary, are looked for every "
                                "%1 s, as a standby cannot tell of them.")
                                .arg(m_pollMs.load() / 1000.0)
                          : QCoreApplication::translate(
                                "store", "Live changes need a direct or session-pooled connection: "
                                         "behind this pooler other editors' changes are looked for "
                                         "every %1 s instead, more slowly.")
                                .arg(m_pollMs.load() / 1000.0));
    }

    /// Looks for commits every poll until the connection is lost or the owner stops the
    /// watch: where the server's write-ahead log stands, which every commit moves on (a
    /// standby's as it replays it). A move re-reads what is shown, which says what changed.
    void poll(PGconn* connection) {
        auto nextCount = Clock::now() + CountEvery;
        QByteArray last;
        while (!m_stop) {
            const Result position = exec(connection, pgschema::SelectWalPosition);
            if (!position || PQresultStatus(position.get()) != PGRES_TUPLES_OK ||
                PQntuples(position.get()) != 1)
                return;
            const QByteArray now = PQgetvalue(position.get(), 0, 0);
            if (!last.isNull() && now != last) {
                m_sink.changes(Changes{true, {}, {}});
                m_lastSaid = Clock::now();
            }
            last = now;
            if (Clock::now() >= nextCount) {
                if (!countEditors(connection))
                    return;
                nextCount = Clock::now() + CountEvery;
            }
            const auto next = Clock::now() + std::chrono::milliseconds(m_pollMs.load());
            while (Clock::now() < next) {
                const Woken woken = waitFor(-1, 0, next);
                if (woken == Woken::Stop)
                    return;
            }
        }
    }

    void run() {
        const QString lost = QCoreApplication::translate(
            "store", "The connection to the server was lost; trying again…");
        bool saidLost = false;
        bool watching = false;
        QString connectedTo; // the server of the connection before

        while (!m_stop) {
            Hearing hearing = Hearing::Notices;
            PgConn connection = listen(&hearing);
            if (!connection) {
                if (m_stop)
                    break;
                if (!saidLost)
                    m_sink.notice(lost);
                saidLost = true;
                pause(ReconnectEvery);
                continue;
            }
            if (saidLost) {
                // Notices are not kept for a listener that was away: all of it is news.
                m_sink.changes(Changes{true, {}, {}});
                // Another of the address's hosts: a failover, which the user should know of.
                const QString host = m_server.section(QLatin1Char('\n'), 0, 0);
                m_sink.notice(m_server != connectedTo && !connectedTo.isEmpty()
                                  ? QCoreApplication::translate(
                                        "store", "Connected to another of the address's servers "
                                                 "(%1, port %2); what is shown was read again.")
                                        .arg(host, m_server.section(QLatin1Char('\n'), 1))
                                  : QCoreApplication::translate(
                                        "store", "Connected to the server again; what is shown "
                                                 "was read again."));
                saidLost = false;
            }
            connectedTo = m_server;
            // On every connection, as the triggers may have gone (or come back) while the
            // watcher was away; then again every so often while it listens. A poll needs none.
            if (hearing == Hearing::Notices && !checkTriggers(connection.get(), true)) {
                m_sink.notice(lost);
                saidLost = true;
                continue;
            }
            if (!watching) {
                m_sink.watching();
                watching = true;
                sayPolling(hearing);
                sayWhenNoHistory(connection.get());
            }
            // Notices that came while the probe waited for its own.
            for (const auto& [changes, pid] : std::exchange(m_early, {}))
                if (!pg::isOwnSession(m_server, pid))
                    m_sink.changes(changes);
            if (countEditors(connection.get())) {
                if (hearing == Hearing::Notices)
                    serve(connection.get());
                else
                    poll(connection.get());
            }
            // What was gathered of a group is part of the "everything" that follows.
            m_pending = Changes();
            m_groupEnd.reset();
            if (!m_stop) {
                m_sink.notice(lost);
                saidLost = true;
            }
        }
    }

    const std::optional<ParsedServerAddress> m_address;
    /// The server of the connection made last, the watch's thread's own.
    QString m_server;
    /// This editor's application_name: the other editors are counted by theirs.
    const QString m_own;
    Sink& m_sink;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_groupMs{DefaultGroupMs};
    std::atomic<int> m_pollMs{DefaultPollMs};
    std::atomic<int> m_triggerCheckMs{DefaultTriggerCheckMs};
    // The watch's thread's own.
    Changes m_pending;
    std::optional<Clock::time_point> m_groupEnd;
    Clock::time_point m_lastSaid;
    int m_editors = -1;
    Triggers m_triggers = Triggers::Unknown;
    pg::HistoryGapWatch m_historyGaps;
    bool m_saidPolling = false;
    std::vector<std::pair<Changes, int>> m_early;
    Clock::time_point m_lastTriggerCheck;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<Source> watchServer(const QString& uri, Sink& sink) {
    return std::make_unique<ServerWatch>(uri, sink);
}

} // namespace store::watch
