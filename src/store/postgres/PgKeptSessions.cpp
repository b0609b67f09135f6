#include "store/postgres/PgSession.h"

#include "store/IdlePool.h"
#include "store/postgres/PgLibpq.h"

// The connections kept between operations: a few idle ones per server, closed after a while
// unused.

namespace store::pg {

namespace {

IdlePool<Session>& keptSessions() {
    static IdlePool<Session> kept(
        {
            // At most this many a server: one for the window's operation, one for a re-read
            // of other editors' changes that runs meanwhile.
            .perKey = 2,
            // A kept connection that no operation took within this is closed: an editor left
            // open holds no server process for nothing.
            .keepFor = std::chrono::seconds(30),
        },
        // Nothing unread and no transaction left open; a server that ended the connection
        // meanwhile said so on it.
        [](const Session& session) { return session.reusable() && !session.spokeWhileIdle(); });
    return kept;
}

} // namespace

std::unique_ptr<Session> takeSession(const ParsedServerAddress& address, bool* kept) {
    // By the address as read: two spellings of one address share their connections.
    std::unique_ptr<Session> session = keptSessions().take(address.address);
    if (kept)
        *kept = session != nullptr;
    return session ? std::move(session) : std::make_unique<Session>(address);
}

std::unique_ptr<Session> takeSession(const QString& uri, bool* kept) {
    return takeSession(checkedAddress(uri), kept);
}

void keepSession(std::unique_ptr<Session> session) {
    if (session) {
        const QString key = session->address().address;
        keptSessions().put(key, std::move(session));
    }
}

void closeKeptSessions() { keptSessions().clear(); }

} // namespace store::pg
