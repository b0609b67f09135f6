#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace store {

/// Where a PostgreSQL server and its database are, as the Connect to Server box asks for them,
/// and the postgresql:// address that the store opens (PgStore) and the editor remembers.
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
    /// The fields of a server address; an empty optional for anything else (a file path, or an
    /// address that libpq cannot read).
    static std::optional<ServerAddress> fromUri(const QString& uri);
    bool operator==(const ServerAddress&) const = default;
};

/// A server address as libpq reads it (PQconninfoParse), without its passwords.
struct ParsedServerAddress {
    /// The address rebuilt from the fields libpq read, every password left out:
    /// postgresql://user@host:port/database?parameters. The one form that is shown, kept in
    /// workdir.txt and the recent list, and used as the key of a password kept in memory.
    QString address;
    /// The password libpq would have used (the last one given), empty when there was none.
    QString password;
    /// The fields set, in libpq's order, passwords left out ("host", "/tmp"), ("dbname", "bom").
    QList<std::pair<QString, QString>> fields;

    /// The value of a field; empty when it was not given.
    QString field(QLatin1StringView keyword) const;
};

/// Whether `location` is meant as a server address rather than a file path: it starts with
/// "postgresql:" or "postgres:" in any letter case (blanks around it allowed, a mistyped
/// "postgresql:/host" included), or it is one of libpq's key=value strings that names a host
/// or a database ("host=/run/postgresql dbname=bom") and no file of that name exists.
bool looksLikeServerAddress(const QString& location);

/// Reads a server address with libpq's own parser, as a URI or as key=value pairs, and
/// rebuilds it without its passwords. Throws StoreError (CannotOpen) for an address that
/// libpq cannot read, without repeating the text given (it may hold a password), and for a
/// port that is not a number from 1 to 65535.
ParsedServerAddress parseServerAddress(const QString& location);

/// Keeps `password` in this program's memory, for every later connection to the server
/// address `uri` (as PgStore reports it: without a password). It is never written anywhere;
/// for a server that asks for a password that ~/.pgpass and PGPASSWORD do not hold. An empty
/// password forgets the one kept.
void useServerPassword(const QString& uri, const QString& password);
/// For every text that shows or keeps a location: a server address rebuilt without its
/// passwords, "postgresql://…" for one that cannot be read (nothing of it is shown), and
/// anything else (a file path) as it is.
QString withoutPassword(const QString& location);
/// The location to work on: a server address rebuilt without its passwords, a password that
/// was there given to useServerPassword first, so that an address typed with one (on a command
/// line, say) works without showing or remembering it; anything else as it is. Throws as
/// parseServerAddress for a server address that cannot be read.
QString withPasswordInMemory(const QString& location);
/// The password kept for `uri`, if any.
std::optional<QString> serverPassword(const QString& uri);

} // namespace store
