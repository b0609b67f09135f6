#pragma once

// The server's own client library: how a server address becomes libpq's parameters, the
// editor's name on a connection, and libpq's reasons for a refused connection. Used by the
// files of src/store/postgres only.

#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QString>

#include <vector>

struct pg_conn;

namespace store::pg {

/// Keywords and values for libpq's ...Params functions: each value goes to libpq as it is,
/// never through a connection string that would have to quote it.
class LibpqParams {
public:
    /// Every field of the server address as the user gave it (a service, certificates, several
    /// hosts, options…; libpq adds what a service file and its environment variables say for
    /// the rest), the password and the key's passphrase typed in this run if any, and this
    /// process's name and timeouts where the user set none: fallback_application_name, so that
    /// a name of the user's own stands (tagApplicationName follows it with the editor's),
    /// connect_timeout and the keepalives.
    explicit LibpqParams(const ParsedServerAddress& address);
    /// Adds a parameter; one the user set already is kept as the user set it.
    void add(const char* keyword, const QString& value);
    const char* const* keywords();
    const char* const* values();

private:
    void terminate();
    bool has(const char* keyword) const;
    std::vector<QByteArray> m_keywords, m_values;
    std::vector<const char*> m_keywordPointers, m_valuePointers;
};

} // namespace store::pg

namespace store::pg {

/// Why the server refused a connection, as libpq itself says it.
enum class Refusal {
    Other,           ///< libpq named another reason (or the connection was made this time)
    PasswordNeeded,  ///< the server asks for a password and none was given
    PasswordRefused, ///< a password was given and the server did not accept it
    Unknown,         ///< libpq gave no reason to go by
};

/// The application_name of the connection: the server's name for this process
/// (sessionApplicationName) as it is, or following the user's own (typed, from a service file
/// or PGAPPNAME): "theirs fabrilux-bom-editor/…", within the server's 63 bytes. Sets it on the
/// connection where the user had one; false when the server refused.
bool tagApplicationName(pg_conn* connection);

/// What tells the server of `connection` from another for PgOwnSessions.h: the host (or
/// socket folder) and port that libpq reached, of the several an address may list.
QString serverOfConnection(pg_conn* connection);

/// Connects to `address` once more with libpq and the same parameters as the failed
/// connection, to read libpq's connection status and the server's SQLSTATE (28P01, 28000),
/// which its message alone does not carry. Waits at most the connect timeout.
Refusal askWhyRefused(const ParsedServerAddress& address);
/// As above for an address not read yet (Unknown where it cannot be read).
Refusal askWhyRefused(const QString& uri);

/// libpq's own reading of the server address `uri`, refused (NoDatabaseChosen, CannotOpen)
/// when it is empty or holds a password or a key's passphrase (~/.pgpass and the password box
/// are the ways to give them). Messages name the address as typed, or rebuilt without the
/// password, never a password typed into it. The one reading of an address on its way to a
/// connection: what follows (the pool, the session, libpq's parameters, the passwords kept)
/// takes it as read.
ParsedServerAddress checkedAddress(const QString& uri);

/// "Could not connect to 'ADDRESS': WHY." (CannotOpen).
StoreError cannotOpen(const QString& shown, const QString& why);

/// Throws what a refused connection to `address` means: PasswordNeeded, PasswordRefused,
/// KeyPassphraseNeeded, KeyPassphraseRefused or CannotOpen with libpq's message `why`, naming
/// the address as shown. Where libpq gave no reason to go by (`refusal` Unknown), its message's
/// (English) words are the last sign.
[[noreturn]] void throwRefused(const ParsedServerAddress& address, const QString& why,
                               Refusal refusal);

} // namespace store::pg
