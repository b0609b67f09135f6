#pragma once

#include "store/Database.h"

#include <QUndoCommand>

namespace tree {

class BomEditor;

/// The steps of the edit history, thin wrappers over the editor's own operations. A command
/// is pushed once its edit is done, so its first redo does nothing. An undo or redo that the
/// database refuses (another program changed the line meanwhile) is reported, writes nothing,
/// and leaves the history.

/// A line added by a drop.
class AddLineCommand : public QUndoCommand {
public:
    AddLineCommand(BomEditor& editor, store::LineRow row);
    void undo() override;
    void redo() override;

private:
    BomEditor& m_editor;
    store::LineRow m_row;
    bool m_done = true;
};

/// A line deleted with the Delete key.
class DeleteLineCommand : public QUndoCommand {
public:
    DeleteLineCommand(BomEditor& editor, store::LineRow row);
    void undo() override;
    void redo() override;

private:
    BomEditor& m_editor;
    store::LineRow m_row;
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
