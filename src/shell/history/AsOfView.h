#pragma once

#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QPointer>

class QDateTimeEdit;
class QLabel;
class QMenu;
class QTreeView;

namespace tree {
class BomDocument;
class BomTreeModel;
} // namespace tree

namespace shell {

class CommandContext;

/// A bill as it stood at one moment, read-only: a tree of its own (a document and a model of
/// its own, never the window's), rebuilt from the database's history.
class AsOfDialog : public QDialog {
    Q_OBJECT
public:
    explicit AsOfDialog(QWidget* parent);
    ~AsOfDialog() override;

    QDateTime moment() const;
    void setMoment(const QDateTime& moment);
    /// The bill shown: load it with BomDocument::load.
    tree::BomDocument& document() { return *m_document; }
    void setHeading(const QString& heading);
    QTreeView& tree() { return *m_tree; }

Q_SIGNALS:
    /// The user asked for the bill at the moment in the field (the Show button, or Enter).
    void showRequested();
    /// The user asked to put the bill back as it stood at that moment.
    void restoreRequested();

private:
    QDateTimeEdit* m_moment;
    QLabel* m_heading;
    QTreeView* m_tree;
    tree::BomDocument* m_document;
    tree::BomTreeModel* m_model;
};

/// Tools ▸ Show This Bill As Of…: the loaded bill as it stood at a moment the user chooses.
class AsOfCommands : public QObject {
    Q_OBJECT
public:
    explicit AsOfCommands(CommandContext& context);
    void addTo(QMenu* menu);
    /// Opens the window for the loaded bill, or brings it forward.
    void open();

private:
    void showAsOf();
    /// Puts the bill back as it stood at the moment chosen: every line of its assemblies, then
    /// or now, that changed since (restoreFromHistory).
    void restoreBill();

    CommandContext& m_context;
    QString m_item;
    /// The assemblies of the bill shown as of its moment, folded under the case rule.
    QStringList m_assembliesThen;
    QPointer<AsOfDialog> m_dialog;
};

} // namespace shell
