#include "store/History.h"

namespace store {

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
