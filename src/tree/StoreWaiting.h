#pragma once

#include "store/Store.h"

#include <QString>

#include <functional>
#include <memory>

namespace desktop {
class Desktop;
}

namespace tree {

/// Opens the store at `location` for one operation with its calls off the window's thread:
/// while each runs, `desktop` waits (the window paints; after a moment a busy box names
/// `label` and offers Cancel, which stops the call with OperationCancelled). See
/// store::openStoreOffThread.
std::unique_ptr<store::Store> openStoreWaiting(desktop::Desktop& desktop, const QString& location,
                                               const QString& label = {});
/// As openStoreWaiting, with a busy box label that the operation may change between its calls
/// (a write, then the reads that show it): each wait names the label as it is then.
std::unique_ptr<store::Store> openStoreWaiting(desktop::Desktop& desktop, const QString& location,
                                               std::shared_ptr<const QString> label);

/// Runs `work` off the window's thread while `desktop` waits, as store::runOffThread does: its
/// reports answered on the window's thread by `progress`.
void runWaiting(desktop::Desktop& desktop, const QString& label,
                const std::function<void(const store::ReadProgress& report)>& work,
                const store::ReadProgress& progress);

} // namespace tree
