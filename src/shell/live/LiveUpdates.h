#pragma once

#include "store/ChangeSet.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;

namespace desktop {
class Desktop;
}
namespace store {
struct ItemLine;
}
namespace tree {
class BomDocument;
class LiveReader;
class LiveWatch;
struct ShownChanges;
} // namespace tree

namespace shell {

class CommandContext;

/// Shows in the window what other editors and programs commit to the database it shows, without
/// a reload: one watcher for the database open (tree::LiveWatch), bursts folded into one,
/// and applied only while the window is idle (no question, dialog or quantity editor open, no
/// drag, no store call waiting), so that an edit in progress is written first and checked
/// against the database as it is then. What is read again is read apart from the window's
/// thread while the window goes on (tree::LiveReader), with neither a busy box nor held
/// keystrokes: nobody asked for it. The tree, the loaded item's description, the current
/// node's statistics and the Item Master list are read again where the change may touch them;
/// the status says briefly what changed; a panel of the status bar says how many other editors
/// have the database open (a server only).
class LiveUpdates : public QObject {
    Q_OBJECT
public:
    /// The window's bill, controls, status and business come from `context`.
    explicit LiveUpdates(CommandContext& context);
    ~LiveUpdates() override;

    /// Watches the database at `location` from now on (none for an empty location), and
    /// forgets what was heard of the one before.
    void watch(const QString& location);
    /// The status bar's panel of other editors, empty when there are none.
    QLabel* editorsPanel() const { return m_editorsPanel; }
    /// Test and bench knobs: how often a file is checked and how long a burst is gathered.
    void setIntervals(int pollMs, int groupMs);
    /// While a change is being shown: the current node may move meanwhile, and its statistics
    /// are read once the whole change shows.
    bool applying() const { return m_applying; }

Q_SIGNALS:
    /// Another editor's or program's commit was heard of, before it is shown: for windows that
    /// list lines (Where Used, Replace), to say that what they list may have changed.
    void heard(const store::Changes& changes);
    /// The loaded item's description as a change left it, for the Item Description field.
    void descriptionRead(const QString& description);
    /// The change touched what the tree shows: the current node's statistics are shown again,
    /// from what was just read.
    void treeChanged();
    /// What was shown of a change, once the tree, the description and the list show it.
    void shown(const store::Changes& changes);

private:
    void receive(const store::Changes& changes);
    /// Starts the read of what was gathered, apart from the window's thread.
    void startRead();
    /// Shows what the read found, once the window is idle.
    void showRead();
    /// Stops the read running, if any; nothing of it comes back.
    void stopReading();
    /// Applies what was gathered once the window is idle; otherwise asks again shortly.
    void applyWhenIdle();
    bool windowIdle() const;
    void sayChanged(const tree::ShownChanges& shown, bool listChanged);
    void showEditors(int others);

    CommandContext& m_context;
    tree::LiveReader* m_reader;
    std::unique_ptr<tree::LiveWatch> m_watcher;
    QString m_location;
    store::Changes m_pending;
    bool m_hasPending = false;
    QTimer m_idleCheck;
    /// Whether the reader's read has ended and waits for the window to be idle.
    bool m_readDone = false;
    QTimer m_statusRest;
    QString m_said;
    QLabel* m_editorsPanel;
    int m_pollMs = -1;
    int m_groupMs = -1;
    int m_failedReads = 0;
    bool m_applying = false;
};

} // namespace shell
