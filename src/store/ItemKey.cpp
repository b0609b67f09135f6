#include "store/ItemKey.h"

#include <algorithm>

namespace store {

QString foldKey(const QString& id) {
    // Folded to upper case: item IDs are mostly upper case already, and then the ID itself is
    // returned, shared rather than copied.
    const auto lower = [](char16_t u) { return u >= u'a' && u <= u'z'; };
    const QChar* begin = id.constData();
    const QChar* end = begin + id.size();
    const QChar* first = std::find_if(begin, end, [&](QChar c) { return lower(c.unicode()); });
    if (first == end)
        return id;
    QString folded = id;
    for (QChar* c = folded.data() + (first - begin); c != folded.data() + folded.size(); ++c)
        if (lower(c->unicode()))
            *c = QChar(char16_t(c->unicode() - (u'a' - u'A')));
    return folded;
}

QByteArray orderKey(const QString& id) {
    QByteArray bytes = id.toUtf8();
    for (char& c : bytes)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return bytes;
}

} // namespace store
