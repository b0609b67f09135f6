#pragma once

#include "tree/edits/LinePaste.h"

#include <QDialog>
#include <QStringList>

#include <optional>

class QComboBox;
class QSettings;

namespace desktop {
class Desktop;
}

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

/// The key under which the answer for `header` is remembered: its exact fields, in order,
/// written so that no other list of fields gives the same key (a field that holds a tab is
/// not two fields).
QString pasteHeaderKey(const QStringList& header);

/// The columns of `header` that hold the item ID and the quantity: the answer remembered in
/// `settings` for exactly this header, else the user's answer in a PasteColumnsDialog over
/// `parent`, then remembered; empty when the user cancelled. Both pastes ask this way: lines
/// into the bill and rows into the Requirements plan.
std::optional<tree::PasteColumns> askPasteColumns(desktop::Desktop& desktop, QSettings& settings,
                                                  QWidget* parent, const QStringList& header);

} // namespace shell
