#pragma once

#include "store/Store.h"

#include <QUndoCommand>

namespace tree {

class BomEditor;

/// The steps of the edit history, thin wrappers over the editor's own operations. A command
/// is pushed once its edit is done, so its first redo does nothing. An undo or redo that the
/// database refuses (another program changed the line meanwhile) is reported, writes nothing,
/// and leaves the history.

/// A line added by a drop, or deleted with the Delete key: undoing the one is redoing the
/// other.
class LineCommand : public QUndoCommand {
public:
    enum Edit { Added, Deleted };
    LineCommand(BomEditor& editor, store::LineRow row, Edit edit);
    void undo() override;
    void redo() override;

private:
    /// Puts the line back (true) or takes it out (false).
    void apply(bool present);

    BomEditor& m_editor;
    store::LineRow m_row;
    Edit m_edit;
    bool m_done = true;
};

/// A quantity typed into the tree.
class QuantityCommand : public QUndoCommand {
public:
    QuantityCommand(BomEditor& editor, QString assembly, QString component, QVariant before,
                    QVariant after);
    void undo() override;
    void redo() override;

private:
    BomEditor& m_editor;
    QString m_assembly;
    QString m_component;
    QVariant m_before;
    QVariant m_after;
    bool m_done = true;
};

} // namespace tree
