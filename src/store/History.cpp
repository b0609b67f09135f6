#include "store/History.h"

#include <atomic>

namespace store {

namespace {
std::atomic<bool> g_kept{false};
} // namespace

void setFileHistoryKept(bool kept) {
    g_kept = kept;
}

bool fileHistoryKept() {
    return g_kept;
}

QString sourceText(ChangeSource source) {
    switch (source) {
    case ChangeSource::ThisEditor:
        return QStringLiteral("this editor");
    case ChangeSource::AnotherEditor:
        return QStringLiteral("another editor");
    case ChangeSource::AnotherProgram:
        return QStringLiteral("another program");
    case ChangeSource::Restore:
        return QStringLiteral("restore");
    }
    return {};
}

} // namespace store
