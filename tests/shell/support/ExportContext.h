#pragma once

// What an export needs of the window, for the export commands on their own: the desktop, the
// tree, the database's name, the loaded item's description and the status.

#include "shell/window/CommandContext.h"

#include <QString>

#include <cstdlib>

class ExportContext : public shell::CommandContext {
public:
    ExportContext(desktop::Desktop& desktop, tree::BomTreeModel& model, QString databasePath,
                  QString description)
        : m_desktop(desktop), m_model(model), m_databasePath(std::move(databasePath)),
          m_description(std::move(description)) {}
    desktop::Desktop& desktop() override { return m_desktop; }
    QWidget* window() override { return nullptr; }
    QString databasePath() const override { return m_databasePath; }
    tree::BomTreeModel& model() override { return m_model; }
    QString itemDescription() const override { return m_description; }
    void showStatus(const QString& text) override { m_status = text; }
    QString status() const override { return m_status; }
    bool busy() const override { return false; }
    std::optional<QString> currentItem() const override { return std::nullopt; }
    void loadItem(const QString&) override {}
    // An export edits nothing and has no window controls.
    tree::LineEdits& edits() override { std::abort(); }
    tree::BillReads& editor() override { std::abort(); }
    shell::DatabaseChoice& database() override { std::abort(); }
    shell::CommandRegistry& commands() override { std::abort(); }
    shell::BomTreeView& tree() override { std::abort(); }
    shell::ItemList& list() override { std::abort(); }
    QSettings& settings() override { std::abort(); }

private:
    desktop::Desktop& m_desktop;
    tree::BomTreeModel& m_model;
    QString m_databasePath;
    QString m_description;
    QString m_status;
};
