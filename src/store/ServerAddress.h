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
/// A server address without the password it may hold (after "user:" or as password=), even
/// when the address is not valid otherwise, for every text that shows or keeps an address.
/// Anything but a server address comes back as it is.
QString withoutPassword(const QString& location);
/// As withoutPassword, but a password that was there is given to useServerPassword first, so
/// that an address typed with one (on a command line, say) works without showing or
/// remembering it.
QString withPasswordInMemory(const QString& location);
/// The password kept for `uri`, if any.
std::optional<QString> serverPassword(const QString& uri);

} // namespace store
