#pragma once

// The server's own client library, used directly where Qt's driver gives no handle on what is
// needed: a listening connection of its own (the change watcher), and libpq's reasons for a
// refused connection. Used by the files of src/store/postgres only.

#include "store/ServerAddress.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace store::pg {

/// Keywords and values for libpq's ...Params functions: each value goes to libpq as it is,
/// never through a connection string that would have to quote it.
class LibpqParams {
public:
    /// The fields of the server address `uri` (host, port, user, dbname, sslmode), the password
    /// typed in this run if any, this process's application_name and the connect timeout.
    explicit LibpqParams(const QString& uri);
    void add(const char* keyword, const QString& value);
    const char* const* keywords();
    const char* const* values();

private:
    void terminate();
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

/// Connects to `uri` once more with libpq and the same parameters as the failed connection,
/// to read libpq's connection status and the server's SQLSTATE (28P01, 28000), which Qt's
/// driver does not keep. Waits at most the connect timeout.
Refusal askWhyRefused(const QString& uri);

/// libpq's own reading of the server address `uri`, refused (NoDatabaseChosen, CannotOpen)
/// when it is empty, holds a password, or names a parameter other than host, port, user,
/// dbname and one of libpq's own sslmode values. Messages name the address rebuilt from it,
/// never a password typed into it.
ParsedServerAddress checkedAddress(const QString& uri);

/// "Could not connect to 'ADDRESS': WHY." (CannotOpen).
StoreError cannotOpen(const QString& shown, const QString& why);

/// Throws what a refused connection to `uri` means: PasswordNeeded, PasswordRefused or
/// CannotOpen with libpq's message `why`. Where libpq gave no reason to go by (`refusal`
/// Unknown), its message's (English) words are the last sign.
[[noreturn]] void throwRefused(const QString& uri, const QString& why, Refusal refusal);

} // namespace store::pg
