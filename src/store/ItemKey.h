#pragma once

#include <QString>

namespace store {

/// A form of an item ID that is equal for exactly the IDs the store takes as equal: SQLite's
/// NOCASE collation folds ASCII letters only and keeps every other character (blanks
/// included) as it is. Code that groups IDs the way the database matches them must use this,
/// never QString::toLower.
QString foldKey(const QString& id);

} // namespace store
