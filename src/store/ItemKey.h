#pragma once

#include <QByteArray>
#include <QString>

namespace store {

/// A form of an item ID that is equal for exactly the IDs the store takes as equal: SQLite's
/// NOCASE collation folds ASCII letters only and keeps every other character (blanks
/// included) as it is. Code that groups IDs the way the database matches them must use this,
/// never QString::toLower.
QString foldKey(const QString& id);

/// The ID as bytes whose plain (unsigned) order is the store's order of its keys: UTF-8, as
/// SQLite compares text, with ASCII letters in lower case, as NOCASE folds them. foldKey's
/// upper case would put "A_" after "AA", which the database puts before it.
QByteArray orderKey(const QString& id);

} // namespace store
