#pragma once

#include <QString>

class QLabel;
class QLineEdit;

namespace shell {
class Desktop;
}

namespace tree {

class BomTreeModel;
class BomTreeView;

/// The window's database choice, as the tree operations use it.
class DatabaseSession {
public:
    virtual ~DatabaseSession() = default;
    /// The current database path; empty until one is known.
    virtual QString databasePath() const = 0;
    /// Sets the path for this run only (the remembered one is left alone).
    virtual void setDatabasePath(const QString& path) = 0;
    /// The database chooser: asks for a file and remembers the choice for the next start.
    /// Returns 0, or the number of the failure that stopped it (32755 for Cancel).
    virtual int openFileDialog() = 0;
};

/// What the tree operations work on: the window's controls and services, by their names.
struct TreeContext {
    shell::Desktop& desktop;
    DatabaseSession& session;
    QLineEdit& Text1;
    BomTreeView& TreeView1;
    BomTreeModel& model;
    QLabel& Label7;
    QLabel& Label8;
    QLabel& Label9;
    QLabel& Label10;
    /// The first panel of the status bar.
    QLabel& statusText;
    /// Bounds of what the tree shows, for loads and edits alike.
    int nodeLimit;
    int depthLimit;
};

/// Shown for an item whose description is Null.
inline const QString NoDescription = QStringLiteral("(no description on file)");
/// Title of the boxes that ask the user something about the tree.
inline const QString ShortTitle = QStringLiteral("Fabrilux");

} // namespace tree
