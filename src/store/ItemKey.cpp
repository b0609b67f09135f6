#include "store/ItemKey.h"

namespace store {

QString foldKey(const QString& id) {
    QString folded = id;
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + (u'a' - u'A')));
    }
    return folded;
}

} // namespace store
