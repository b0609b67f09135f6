#pragma once

#include <QString>
#include <QStringView>

namespace tree {

// The matching of every find field (the Item Master list's, the tree's): literal, ignoring
// case, anywhere in an ID or a description.

/// Writes `text` folded one character at a time, as QString's own case-insensitive comparison
/// folds it, so that a folded find text is found where the original holds it in any case;
/// returns the end of what it wrote, never more units than the text has.
char16_t* writeFindFolded(char16_t* out, QStringView text);
/// `text` folded as writeFindFolded folds it.
QString findFolded(QStringView text);

} // namespace tree
