#pragma once

#include <QByteArrayView>

#include <algorithm>

namespace store {

// Item IDs as bytes under the store's case rule (SQLite's NOCASE): ASCII letters compare
// without their case, every other byte as it is. Where Used reads and walks millions of IDs
// this way without making text of them; inline, since they stand in its innermost loops.

/// ASCII letters to lower case, every other byte as it is: how NOCASE compares.
inline uchar foldedByte(char c) {
    const auto u = uchar(c);
    return u >= 'A' && u <= 'Z' ? uchar(u - 'A' + 'a') : u;
}

/// Compares two IDs as NOCASE does: the folded bytes, unsigned, then the length.
inline int compareKeys(QByteArrayView a, QByteArrayView b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i)
        if (const uchar x = foldedByte(a[i]), y = foldedByte(b[i]); x != y)
            return x < y ? -1 : 1;
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

inline bool sameKey(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (foldedByte(a[i]) != foldedByte(b[i]))
            return false;
    return true;
}

/// FNV-1a over the folded bytes.
inline quint32 hashKey(QByteArrayView id) {
    quint32 hash = 2166136261u;
    for (const char c : id)
        hash = (hash ^ foldedByte(c)) * 16777619u;
    return hash;
}

} // namespace store
