#pragma once

#include "tree/DatabaseSession.h"
#include "tree/Texts.h"
#include "tree/edits/LineEdits.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QModelIndex;

namespace desktop {
class Desktop;
}

namespace tree {

class BomDocument;
class BomTreeModel;

/// What the statistics panel shows for one node.
struct ComponentFacts {
    QString quantity;    ///< the quantity per assembly of the node's own line
    QString unit;        ///< the component's unit of measure
    QString description; ///< the component's description
    QString startDate;   ///< the node's own line's StartDate as stored; empty where Null
    bool operator==(const ComponentFacts&) const = default;
};

/// The reads of the loaded bill that the window asks for (the load, a node's statistics,
/// Expand All), and the edits of its lines (LineEdits): each takes what it needs, works on the
/// document and the database, asks its questions and reports its failures through the desktop
/// services, and returns what the window is to show. Status texts go to `showStatus`.
class BillReads {
public:
    BillReads(desktop::Desktop& desktop, DatabaseSession& session, BomDocument& document,
              BomTreeModel& model, std::function<void(const QString&)> showStatus);

    BomDocument& document() { return m_document; }
    LineEdits& edits() { return m_edits; }

    /// Bounds of what the tree shows: the nodes Expand All makes, the levels a node opens to.
    void setLimits(int nodeLimit, int depthLimit);

    /// Expand All: opens the tree breadth-first up to the node limit, has `expandView` show
    /// every opened node that has children (the model's openedNodes), and says how many rows
    /// the whole structure has when the limit left nodes closed.
    void expandAll(const std::function<void(const std::vector<QModelIndex>&)>& expandView);

    /// Loads the tree of `item` (Enter in the Item ID field) and returns the item's
    /// description: notInItemMaster() when the item has no ItemMaster row (the status names
    /// it), empty when the load failed or no item was typed. The document remembers `item` as
    /// the assembly of its top level. Lets window events run once, after the tree has been
    /// emptied.
    QString load(const QString& item);

    /// The facts about the node's own line and its component; all empty for no node and after
    /// a failed read (which is reported). Empty optional: the user cancelled the database
    /// chooser, and the panel stays as it is.
    std::optional<ComponentFacts> statistics(const QModelIndex& node);
    /// The same facts as the structure holds them, read with the bill or with the last re-read
    /// of other editors' changes: no store call.
    ComponentFacts shownFacts(const QModelIndex& node) const;

private:
    void report(const QString& message);

    desktop::Desktop& m_desktop;
    DatabaseSession& m_session;
    BomDocument& m_document;
    BomTreeModel& m_model;
    std::function<void(const QString&)> m_showStatus;
    LineEdits m_edits;
};

} // namespace tree
