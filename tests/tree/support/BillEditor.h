#pragma once

// The loaded bill and its operations as the window holds them, without the window: a document,
// the tree that shows it, and the editor over both, asking and answering through a scripted
// desktop.

#include "support/ScriptedDesktop.h"
#include "support/TestDatabase.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QTemporaryDir>

struct BillSession : tree::DatabaseSession {
    QString path;
    /// How often the database chooser was opened; the user cancels it each time.
    int choosers = 0;
    QString databasePath() const override { return path; }
    void setDatabasePath(const QString& p) override { path = p; }
    int openFileDialog() override {
        ++choosers;
        return 32755;
    }
};

/// The node at this path of texts from the top ("B/D"), each opened on the way as the user
/// opens a node to reach what is below it; invalid when there is none.
QModelIndex nodeAt(tree::BomTreeModel& model, const QString& path);
/// The tree as "B[D] C": children in brackets, a circular node marked '*', every node opened.
QString outlineOf(tree::BomTreeModel& model, const QModelIndex& parent = {});
/// The first difference between the tree and a fresh load of its item from `database` (a file
/// or a server's address), node by node (text, parent, row, marks, quantity, unit,
/// description); empty when they are the same. A node left closed is compared as a node.
QString differenceFromFreshLoad(tree::BomTreeModel& model, const QString& database);

struct BillEditor {
    ScriptedDesktop desktop;
    BillSession session;
    /// The status as the last operation left it.
    QString status;
    tree::BomDocument document{[this](const QString& text) { status = text; },
                               [this] { return session.path; }};
    tree::BomTreeModel model{document};
    tree::BillReads editor{desktop, session, document, model,
                           [this](const QString& text) { status = text; }};
    /// The load's counts as the window's status shows them: set by a load, then by each
    /// notice that they may have changed.
    QString counts;
    explicit BillEditor(const QString& location);
    tree::LineEdits& edits() { return editor.edits(); }
    /// Loads `item` as the window does and lets the rest of its bill in, for what is tried on
    /// a whole bill; returns the load's description.
    QString loadWhole(const QString& item);
    tree::EditHistory& history() { return document.history(); }

    QModelIndex node(const QString& path) { return nodeAt(model, path); }
    QString outline() { return outlineOf(model); }
    /// differenceFromFreshLoad on the editor's database, then whether `counts` are those of
    /// the fresh load.
    QString difference();
};

/// A BillEditor on a new SQLite file of its own that holds these rows.
class BillFile : private QTemporaryDir, public BillEditor {
public:
    BillFile(const std::vector<ItemRow>& items, const std::vector<Line>& lines)
        : BillEditor(filePath(QStringLiteral("bom.db"))), database(session.path) {
        writeDatabase(database, items, lines);
    }
    const QString database;
};
