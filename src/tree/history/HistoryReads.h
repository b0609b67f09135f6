#pragma once

// The change history's trips that the Change History window makes: the changes a query finds,
// the history forgotten before a moment, and a server made to keep one. Each runs off the
// window's thread while the window waits (runOnStore), its failures thrown as numbered errors.

#include "store/History.h"
#include "tree/history/HistoryRestore.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace desktop {
class Desktop;
}

namespace tree {

/// What the Change History window lists: the changes its query finds, and how many changes the
/// history keeps, since when.
struct HistoryPage {
    std::vector<store::ChangeRecord> changes;
    qint64 kept = 0;
    QDateTime keptSince;
};

/// The changes `query` finds in the history of the database at `location` and the history's
/// size, in one trip. The history's reads do not stop on a Cancel; what they found is then not
/// handed back (OperationCancelled).
HistoryPage readHistory(desktop::Desktop& desktop, const QString& location,
                        const store::HistoryQuery& query, const HistoryOpener& opener = {});

/// How far forgetting went: the changes forgotten, and whether a Cancel stopped it first.
struct Forgotten {
    qint64 changes = 0;
    bool stopped = false;
};

/// Forgets the changes made before `cut` in the history at `location`, piece by piece in one
/// trip whose wait counts them ("Forgetting changes… 200 of 900"). A Cancel stops it after the
/// piece under way (`stopped`, with what was forgotten until then), or within a statement,
/// which is also a stop (none counted); any other failure is thrown.
Forgotten forgetHistoryBefore(desktop::Desktop& desktop, const QString& location,
                              const QDateTime& cut, const HistoryOpener& opener = {});

/// Makes the server at `location` keep the history of every change (store::enableServerHistory)
/// while the window waits; what it created, empty when the server kept one already.
QStringList keepServerHistory(desktop::Desktop& desktop, const QString& location);

} // namespace tree
