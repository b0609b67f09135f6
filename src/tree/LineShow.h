#pragma once

#include "store/Store.h"

#include <vector>

namespace tree {

class BomTreeModel;

/// Brings many lines that have just been saved into the tree's structure, as showAddedLine
/// does for each in turn (each at its place in the database's order of its assembly's lines,
/// on every open copy of the assembly), with one read of the assemblies' lines and one of what
/// lies below the components new to the structure, however many lines there are. Throws
/// StoreError when a read fails.
void showAddedLines(BomTreeModel& model, store::Store& db, const std::vector<store::LineRow>& rows);

} // namespace tree
