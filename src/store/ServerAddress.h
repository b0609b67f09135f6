#pragma once

#include <QString>

#include <optional>

namespace store {

/// Where a PostgreSQL server and its database are, as the Connect to Server box asks for them,
/// and the postgresql:// address that the store opens (PgDatabase) and the editor remembers.
/// An address never holds a password.
struct ServerAddress {
    /// A host name or address; or, starting with "/", the folder of the server's Unix socket;
    /// empty for the server on this computer at libpq's usual socket.
    QString host;
    QString port; ///< empty for the usual 5432
    QString database;
    QString user; ///< empty for the login name

    /// postgresql://user@host:port/database; a socket folder goes into ?host=. Throws
    /// StoreError (CannotOpen) naming the field for a port that is not a number from 1 to
    /// 65535 or an empty database name.
    QString uri() const;
    /// The fields of a server address; an empty optional for anything else (a file path).
    static std::optional<ServerAddress> fromUri(const QString& uri);
    bool operator==(const ServerAddress&) const = default;
};

/// Keeps `password` in this program's memory, for every later connection to the server
/// address `uri` (as PgDatabase reports it: without a password). It is never written anywhere;
/// for a server that asks for a password that ~/.pgpass and PGPASSWORD do not hold. An empty
/// password forgets the one kept.
void useServerPassword(const QString& uri, const QString& password);
/// `location` without a password: a server address that holds one (typed on a command line,
/// say) gives it to useServerPassword and comes back without it, so that it is neither shown
/// nor remembered. Anything else comes back as it is.
QString withPasswordInMemory(const QString& location);
/// The password kept for `uri`, if any.
std::optional<QString> serverPassword(const QString& uri);

} // namespace store
