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

    /// What is shown in messages and kept in workdir.txt and Recent Databases: the text as it
    /// was typed (trimmed) when it holds no password, so that a service stays its name
    /// ("service=plant"); otherwise rebuilt in the form typed, its passwords left out.
    QString shown;
    /// Whether the text held any secret: a password, a key's passphrase.
    bool holdsSecret = false;

    /// The value of a field; empty when it was not given.
    QString field(QLatin1StringView keyword) const;
};


/// Whether `text` starts with "postgresql:" or "postgres:" in any letter case.
bool hasServerScheme(const QString& text);

/// Whether libpq reads `text` as key=value pairs of its own keywords ("host=/run/postgresql
/// dbname=bom", "service=plant").
bool conninfoNamesServer(const QString& text);

/// Whether `text` is written as key=value pairs ("word=" first), read by libpq or not: such a
/// text is an address, never a file's name to repeat in a message, as it may hold a password.
bool hasConninfoShape(const QString& text);

/// Reads a server address with libpq's own parser, as a URI or as key=value pairs, and
/// rebuilds it without its passwords. Throws StoreError (CannotOpen) for an address that
/// libpq cannot read, without repeating the text given (it may hold a password), and for a
/// port that is not a number from 1 to 65535.
ParsedServerAddress parseServerAddress(const QString& location);


} // namespace store
