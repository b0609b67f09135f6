#pragma once

// The low-level codes of the whole Item Master, read without making the window wait: the
// Item Master list asks for them when its column is shown or filled again.

#include "tree/plan/LowLevelCodes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace store {
class BackgroundTrip;
}

namespace tree {

/// What a read of the low-level codes hands back.
struct StoredCodes {
    /// The codes; none when the read failed.
    std::optional<LowLevelCodes> codes;
    /// The items on or below a cycle as a line spells them, sorted by ID without regard to
    /// case, as the list shows them (the lines come in no set order).
    QStringList circular;
    /// Why the read failed: the store's numbered message, or empty for a failure of another
    /// kind.
    QString failure;
};

/// One read of every line of the database at `location` on the store's thread, the codes
/// worked out there too (lowLevelCodes). `done` runs on the thread of `context` once it has
/// ended, unless the read was dropped first: dropping it stops the work, so that a newer read
/// of a newer list replaces an older one.
class LowLevelRead {
public:
    LowLevelRead(const QString& location, QObject* context,
                 std::function<void(const StoredCodes& read)> done);
    ~LowLevelRead();
    LowLevelRead(const LowLevelRead&) = delete;
    LowLevelRead& operator=(const LowLevelRead&) = delete;

private:
    std::unique_ptr<store::BackgroundTrip> m_trip;
};

} // namespace tree
