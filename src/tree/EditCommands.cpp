#include "tree/EditCommands.h"

#include "tree/BomEditor.h"

namespace tree {

LineCommand::LineCommand(BomEditor& editor, store::LineRow row, Edit edit)
    : m_editor(editor), m_row(std::move(row)), m_edit(edit) {
    setText(edit == Added ? QStringLiteral("Add %1 to %2").arg(m_row.component, m_row.assembly)
                          : QStringLiteral("Delete %1 from %2").arg(m_row.component, m_row.assembly));
}

void LineCommand::apply(bool present) {
    setObsolete(!(present ? m_editor.restoreLine(m_row) : m_editor.removeLine(m_row)));
}

void LineCommand::undo() { apply(m_edit == Deleted); }

void LineCommand::redo() {
    if (!std::exchange(m_done, false))
        apply(m_edit == Added);
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
