#pragma once

#include <QtGlobal>

/// What bom-jet-reader writes on its standard output for the import to read, as a QDataStream
/// (version Qt_6_4):
///
///   Magic (quint32), Version, jet version (qint32: 3 or 4)
///   per table asked for:
///     Missing, name (QString)                      the file has no such table
///   or
///     Table, name (QString), declared rows (quint32), columns (quint32),
///       per column: name (QString), libmdb type (qint32), libmdb type name (QString)
///     Row, per column: kind (quint8) and its value        ... once per row read
///     TableEnd, rows read (quint32)
///   End
///
/// A failure the reader notices itself ends the stream with Failure, number (qint32) and
/// description (QString). A reader that dies on a damaged file ends it early, with no End.
namespace import::jet {

inline constexpr quint32 Magic = 0x424A5231;

enum Tag : quint8 {
    Version = 'V',
    Missing = 'M',
    Table = 'T',
    Row = 'R',
    TableEnd = 'E',
    End = 'Z',
    Failure = 'X',
};

/// The value kinds of a Row, each followed by its value.
enum Kind : quint8 {
    Null = 0,     ///< no value
    Text = 1,     ///< QByteArray: the text as libmdb decoded it, expected to be UTF-8
    Double = 2,   ///< double, as stored
    Single = 3,   ///< float, as stored
    Integer = 4,  ///< qint64 (Byte, Integer, Long Integer)
    DateTime = 5, ///< double: days since 1899-12-30, as stored
    Other = 6,    ///< a type the import does not take; no value
};

} // namespace import::jet
