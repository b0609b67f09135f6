#include "store/postgres/PgOwnSessions.h"

#include "store/SessionName.h"

#include <QHash>
#include <QMutex>

#include <chrono>

namespace store::pg {

namespace {

using Clock = std::chrono::steady_clock;

/// How long a closed connection's process ID stays the editor's own. A notice is queued at its
/// transaction's commit, before the writer hears that the commit is done, and a listening
/// server process passes it on as soon as it is idle; the watcher reads its connection all the
/// time and asks it nothing that takes longer than a few seconds. So a notice of the editor's
/// own comes in well within this, even after the connection that wrote it has gone (a kept
/// connection stays the editor's own while it is kept, and is closed once it sat unused for a
/// while, or at once after a cancel). The watcher does not have to say
/// when it has read a notice (there may be several watchers, one per window, or none): keeping
/// the ID for a fixed while is enough, and the while is far too short for the operating system
/// to give the same process ID to another session of the server. Were a notice later than
/// this, the editor would read again a change of its own: a needless read, nothing hidden.
constexpr auto KeepClosedFor = std::chrono::seconds(30);

struct Session {
    int open = 0; ///< connections of this editor that hold the ID now
    Clock::time_point closed;
};

QMutex sessionsMutex;
QHash<QPair<QString, int>, Session> sessions; // guarded by sessionsMutex

/// Forgets the IDs closed longer ago than KeepClosedFor. With sessionsMutex held.
void forgetOld(Clock::time_point now) {
    for (auto it = sessions.begin(); it != sessions.end();) {
        if (it->open == 0 && now - it->closed > KeepClosedFor)
            it = sessions.erase(it);
        else
            ++it;
    }
}

} // namespace

QString serverOf(const QString& host, const QString& port) {
    return host + QLatin1Char('\n') + port;
}

void noteOwnSession(const QString& server, int pid) {
    if (pid <= 0 || sessionApplicationName() != editorSessionName())
        return;
    const QMutexLocker lock(&sessionsMutex);
    forgetOld(Clock::now());
    ++sessions[{server, pid}].open;
}

void endOwnSession(const QString& server, int pid) {
    const QMutexLocker lock(&sessionsMutex);
    const auto it = sessions.find({server, pid});
    if (it == sessions.end() || it->open == 0)
        return;
    --it->open;
    it->closed = Clock::now();
}

bool isOwnSession(const QString& server, int pid) {
    const QMutexLocker lock(&sessionsMutex);
    const auto it = sessions.constFind({server, pid});
    return it != sessions.constEnd() &&
           (it->open > 0 || Clock::now() - it->closed <= KeepClosedFor);
}

} // namespace store::pg
