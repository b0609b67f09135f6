#pragma once

#include <QString>

namespace store {

/// The form in which the store compares item IDs: SQLite's NOCASE collation folds ASCII
/// letters only and keeps every other character (blanks included) as it is. Code that groups
/// IDs the way the database matches them must use this, never QString::toLower.
QString foldKey(const QString& id);

} // namespace store
