#pragma once

// Texts that more than one operation on the tree shows, each translated when it is shown.

#include <QCoreApplication>
#include <QString>

namespace tree {

/// Shown for an item whose description is Null.
inline QString noDescription() {
    return QCoreApplication::translate("tree", "(no description on file)");
}
/// Shown as the description of a loaded item that has no ItemMaster row.
inline QString notInItemMaster() {
    return QCoreApplication::translate("tree", "(not in the Item Master)");
}
/// Title of the boxes that ask the user something about the tree.
inline const QString ShortTitle = QStringLiteral("Fabrilux");
/// The busy box of the reads that show a committed write: its Cancel stops only the showing.
inline QString showingSavedLabel() {
    return QCoreApplication::translate("tree", "Showing the saved change\u2026");
}
/// Said (status and box) when the user stopped the showing of a committed write.
inline QString showingStopped() {
    return QCoreApplication::translate("tree",
                                       "The change was saved; only showing it was stopped.");
}
/// The box's second line: what its answers do.
inline QString showingStoppedChoice() {
    return QCoreApplication::translate(
        "tree", "Yes: the tree shows it now. No: the tree shows it when the bill is loaded "
                "again (Enter in the Item ID).");
}

} // namespace tree
