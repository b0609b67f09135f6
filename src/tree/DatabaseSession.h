#pragma once

#include <QString>

namespace desktop {
class Desktop;
}

namespace tree {

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

    // An operation that finds no database known yet meets it in one of three ways, named
    // here side by side so that each operation says which is its own.
    /// The chooser asks, and remembers the choice for the next start (a load, a drop). True
    /// when a database is known afterwards.
    bool chooseIfNone();
    /// A file is asked for this run only, the remembered database left alone (a node's
    /// statistics). False after a Cancel.
    bool chooseForThisRunIfNone(desktop::Desktop& desktop);
    /// Nothing is asked (a check that can wait for the write; a write, whose store then
    /// refuses the empty path with its numbered error). True when a database is known.
    bool isKnown() const { return !databasePath().isEmpty(); }
};

} // namespace tree
