#pragma once

#include "tree/history/HistoryRestore.h"

#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QPointer>

#include <optional>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeView;

namespace tree {
class BomDocument;
class BomTreeModel;
} // namespace tree

namespace shell {

class CommandContext;
class CommandRegistry;

/// A bill as it stood at one moment, read-only: a tree of its own (a document and a model of
/// its own, never the window's), rebuilt from the database's history. The moment is typed as
/// text ("2026-12-10 08:00", or the locale's form) and means its whole second; Restore puts
/// back the bill shown, and waits for Show after the moment is changed.
class AsOfDialog : public QDialog {
    Q_OBJECT
public:
    explicit AsOfDialog(QWidget* parent);
    ~AsOfDialog() override;

    /// The last moment whose changes the bill is to show (UTC): the end of the second typed,
    /// or exactly the moment set by setMoment while its text stands; empty when the text is
    /// no moment.
    std::optional<QDateTime> moment() const;
    /// The text typed, as a message quotes it.
    QString momentTyped() const;
    /// Sets the field to an exact moment (shown to the second).
    void setMoment(const QDateTime& moment);
    /// Says whether the tree shows the bill at the moment in the field: Restore is on offer
    /// only then.
    void setShown(bool shown);
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
    QLineEdit* m_moment;
    std::optional<QDateTime> m_exact; ///< the moment set, while the field shows its text
    QString m_exactText;
    QPushButton* m_restore = nullptr;
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
    /// Registers Show This Bill As Of… in `commands`, and the bill before a change that the
    /// history asks for.
    void addTo(CommandRegistry& commands);
    /// Opens the window for the loaded bill, or brings it forward.
    void open();
    /// Opens the window on the bill of `item` as it stood just before `moment` (a change's
    /// time), and shows it: "Show the Bill Before This Change".
    void openBefore(const QString& item, const QDateTime& moment);
    /// Where the history is read from; the database's own unless told otherwise.
    void setOpener(tree::HistoryOpener opener) { m_opener = std::move(opener); }

private:
    /// Opens the window for the bill of `item`; false when there is none.
    bool openFor(const QString& item);
    void showAsOf();
    /// Puts the bill back as it stood at the moment chosen: every line of its assemblies, then
    /// or now, that changed since (restoreFromHistory).
    void restoreBill();

    CommandContext& m_context;
    tree::HistoryOpener m_opener;
    QString m_item;
    /// The moment of the bill shown (UTC): what Restore puts back.
    std::optional<QDateTime> m_shown;
    /// The assemblies of the bill shown as of its moment, folded under the case rule.
    QStringList m_assembliesThen;
    QPointer<AsOfDialog> m_dialog;
};

/// Registers Tools ▸ Show This Bill As Of….
void registerAsOfCommands(CommandContext& context);

} // namespace shell
