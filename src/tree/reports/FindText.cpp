#include "tree/reports/FindText.h"

#include <QChar>

namespace tree {

char16_t* writeFindFolded(char16_t* out, QStringView text) {
    // ASCII, most of what IDs hold, takes a short way.
    const char16_t* in = text.utf16();
    const char16_t* const end = in + text.size();
    while (in != end) {
        const char16_t unit = *in++;
        if (unit < 0x80) {
            *out++ = unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit;
        } else if (QChar::isHighSurrogate(unit) && in != end && QChar::isLowSurrogate(*in)) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(unit, *in++));
            for (const char16_t half : QChar::fromUcs4(folded))
                *out++ = half;
        } else {
            *out++ = QChar::toCaseFolded(unit);
        }
    }
    return out;
}

QString findFolded(QStringView text) {
    QString result(text.size(), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(result.data());
    result.truncate(writeFindFolded(begin, text) - begin);
    return result;
}

} // namespace tree
