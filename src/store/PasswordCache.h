#pragma once

#include <QString>

#include <optional>

namespace store {

struct ParsedServerAddress;

/// Keeps `password` in this program's memory, for every later connection to the server
/// address `uri` (as PgStore reports it: without a password). It is never written anywhere;
/// for a server that asks for a password that ~/.pgpass and PGPASSWORD do not hold. An empty
/// password forgets the one kept.
void useServerPassword(const QString& uri, const QString& password);

/// The password kept for `uri`, if any.
std::optional<QString> serverPassword(const QString& uri);

/// As useServerPassword for the passphrase of the client key (sslkey) that `uri` names,
/// libpq's sslpassword.
void useKeyPassphrase(const QString& uri, const QString& passphrase);
std::optional<QString> keyPassphrase(const QString& uri);

/// As serverPassword and keyPassphrase for an address read already, without reading it again.
std::optional<QString> serverPassword(const ParsedServerAddress& address);
std::optional<QString> keyPassphrase(const ParsedServerAddress& address);

} // namespace store
