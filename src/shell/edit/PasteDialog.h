#pragma once

#include "tree/edits/LinePaste.h"

#include <QDialog>

#include <vector>

class QStandardItemModel;
class QTableView;

namespace shell {

/// The preview of a paste: every line read off the clipboard with its quantity, the unit and
/// description the Item Master gives its item and, for a line that will not be written, why. OK adds the lines without a refusal and leaves the refused
/// ones out; it is disabled when every line is refused. Cancel and Esc write nothing.
class PasteDialog : public QDialog {
    Q_OBJECT
public:
    /// `assembly`: where the lines go.
    PasteDialog(const QString& assembly, const std::vector<tree::PastedLine>& lines,
                QWidget* parent = nullptr);

    /// How many lines OK adds.
    int addable() const { return m_addable; }
    /// The preview's lines as shown: "ID\tQUANTITY\tREFUSAL" each.
    QStringList shownLines() const;

private:
    QStandardItemModel* m_model;
    QTableView* m_table;
    int m_addable = 0;
};

} // namespace shell
