#pragma once

// Where else a change shows: an assembly's bill is one bill wherever the assembly is used, so
// a line changed under it in one product changes every other product that uses it too.

#include <QModelIndex>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace store {
class Store;
}

namespace tree {

class BomTreeModel;

/// The assembly above the assembly of `node`'s line on the node's path: the grandparent
/// node's text, the loaded item for a node one level down, empty for a top-level node (whose
/// assembly is the loaded item itself).
QString assemblyAbove(const BomTreeModel& model, const QModelIndex& node);

/// The assemblies whose bills list `assembly`, in key order, `above` (the one the user
/// stands in, if any) left out.
QStringList otherUsers(store::Store& db, const QString& assembly, const QString& above);

/// "ASM-HEAD-10 is also used in LAMP-CLAMP-300 and 2 more: the change shows there too.";
/// empty when `others` is.
QString alsoUsedNote(const QString& assembly, const QStringList& others);

/// The notes of several assemblies, each (assembly, above) pair as otherUsers takes it, each
/// assembly once and the first dozen only, one a line; empty when none is used elsewhere.
/// The n-th note begins with `answers`' n-th text, when there is one ("If Yes: "): a
/// question's pairs each go with one of its answers.
QString alsoUsedNotes(store::Store& db,
                      const std::vector<std::pair<QString, QString>>& assemblies,
                      const QStringList& answers = {});

/// The texts that tell a Yes/No question's notes apart: the line goes into the target with
/// Yes, beside it with No.
QStringList yesNoAnswers();

} // namespace tree
