#pragma once

// The loaded bill and its operations as the window holds them, without the window: a document,
// the tree that shows it, and the editor over both, asking and answering through a scripted
// desktop.

#include "support/ScriptedDesktop.h"
#include "tree/BomDocument.h"
#include "tree/BomEditor.h"
#include "tree/BomTreeModel.h"

struct BillSession : tree::DatabaseSession {
    QString path;
    QString databasePath() const override { return path; }
    void setDatabasePath(const QString& p) override { path = p; }
    int openFileDialog() override { return 0; }
};

struct BillEditor {
    ScriptedDesktop desktop;
    BillSession session;
    /// The status as the last operation left it.
    QString status;
    tree::BomDocument document{[this](const QString& text) { status = text; },
                               [this] { return session.path; }};
    tree::BomTreeModel model{document};
    tree::BomEditor editor{desktop, session, document, model,
                           [this](const QString& text) { status = text; }};
    explicit BillEditor(const QString& location) { session.path = location; }
    tree::LineEdits& edits() { return editor.edits(); }
    tree::EditHistory& history() { return document.history(); }
};
