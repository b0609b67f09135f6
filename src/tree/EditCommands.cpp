#include "tree/EditCommands.h"

#include "tree/BomEditor.h"

namespace tree {

AddLineCommand::AddLineCommand(BomEditor& editor, store::LineRow row)
    : m_editor(editor), m_row(std::move(row)) {
    setText(QStringLiteral("Add %1 to %2").arg(m_row.component, m_row.assembly));
}

void AddLineCommand::undo() { setObsolete(!m_editor.removeLine(m_row)); }

void AddLineCommand::redo() {
    if (!std::exchange(m_done, false))
        setObsolete(!m_editor.restoreLine(m_row));
}

DeleteLineCommand::DeleteLineCommand(BomEditor& editor, store::LineRow row)
    : m_editor(editor), m_row(std::move(row)) {
    setText(QStringLiteral("Delete %1 from %2").arg(m_row.component, m_row.assembly));
}

void DeleteLineCommand::undo() { setObsolete(!m_editor.restoreLine(m_row)); }

void DeleteLineCommand::redo() {
    if (!std::exchange(m_done, false))
        setObsolete(!m_editor.removeLine(m_row));
}

QuantityCommand::QuantityCommand(BomEditor& editor, QString assembly, QString component,
                                 QVariant before, QVariant after)
    : m_editor(editor), m_assembly(std::move(assembly)), m_component(std::move(component)),
      m_before(std::move(before)), m_after(std::move(after)) {
    setText(QStringLiteral("Change Quantity of %1 in %2").arg(m_component, m_assembly));
}

void QuantityCommand::undo() {
    setObsolete(!m_editor.writeQuantity(m_assembly, m_component, m_after, m_before));
}

void QuantityCommand::redo() {
    if (!std::exchange(m_done, false))
        setObsolete(!m_editor.writeQuantity(m_assembly, m_component, m_before, m_after));
}

} // namespace tree
