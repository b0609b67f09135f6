#pragma once

#include "tree/LinePaste.h"

#include <QDialog>
#include <QStringList>

class QComboBox;

namespace shell {

/// Asks which columns of a pasted header that the editor does not know hold the item ID and
/// the quantity: a list of the header's columns for each, OK once they are two different
/// columns, Cancel (and Esc) to paste nothing.
class PasteColumnsDialog : public QDialog {
    Q_OBJECT
public:
    /// `header`: the pasted text's first row.
    explicit PasteColumnsDialog(const QStringList& header, QWidget* parent = nullptr);

    /// The columns chosen.
    tree::PasteColumns chosen() const;

private:
    QComboBox* m_id;
    QComboBox* m_quantity;
};

/// The key under which the answer for `header` is remembered: its fields as pasted, trimmed,
/// one after another.
QString pasteHeaderKey(const QStringList& header);

} // namespace shell
