#include "tree/StoreWaiting.h"

#include "desktop/Desktop.h"
#include "store/runtime/OffThreadStore.h"

namespace tree {

namespace {

/// The store's wait, as the desktop services show it.
class DesktopWait : public store::StoreWait {
public:
    explicit DesktopWait(desktop::Desktop& desktop, std::shared_ptr<const QString> label = {})
        : m_desktop(desktop), m_label(std::move(label)) {}
    void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                 const QString& label) override {
        m_desktop.waitFor(finished, cancel, m_label ? *m_label : label);
    }

private:
    desktop::Desktop& m_desktop;
    std::shared_ptr<const QString> m_label;
};

} // namespace

std::unique_ptr<store::Store> openStoreWaiting(desktop::Desktop& desktop, const QString& location,
                                               const QString& label) {
    return store::openStoreOffThread(location, std::make_unique<DesktopWait>(desktop), label);
}

std::unique_ptr<store::Store> openStoreWaiting(desktop::Desktop& desktop, const QString& location,
                                               std::shared_ptr<const QString> label) {
    const QString first = *label;
    return store::openStoreOffThread(
        location, std::make_unique<DesktopWait>(desktop, std::move(label)), first);
}

void runWaiting(desktop::Desktop& desktop, const QString& label,
                const std::function<void(const store::ReadProgress& report)>& work,
                const store::ReadProgress& progress) {
    DesktopWait wait(desktop);
    store::runOffThread(wait, label, work, progress);
}

} // namespace tree
