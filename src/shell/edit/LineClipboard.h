#pragma once

#include "tree/edits/LinePaste.h"

#include <QLocale>
#include <QModelIndex>

#include <vector>

class QMimeData;

namespace tree {
class BomTreeModel;
}

namespace shell {

/// The clipboard data of Copy: the nodes' lines as tab-separated text (for spreadsheets) and
/// in the editor's own format. A line shown under several copies of its assembly is copied
/// once. Made here and read here only, as the list's drag data is.
QMimeData* copiedLinesData(const tree::BomTreeModel& model, const std::vector<QModelIndex>& nodes);

/// The lines a paste of `data` offers: the editor's own format where the data holds it, else
/// its text (tree::readLinesText, which asks `ask` about a header it does not know).
tree::PastedLines pastedLines(const QMimeData* data, const QLocale& locale = QLocale(),
                              const tree::AskPasteColumns& ask = {});

} // namespace shell
