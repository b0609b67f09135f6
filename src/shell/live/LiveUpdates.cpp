#include "shell/live/LiveUpdates.h"

#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "store/runtime/OffThreadStore.h"
#include "store/Store.h"
#include "tree/BomEditor.h"
#include "tree/LiveChanges.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QThread>

#include <atomic>
#include <mutex>
#include <thread>

namespace shell {

namespace {

/// How long the status says what changed before it shows the database again.
constexpr int StatusRestMs = 6000;
/// How often a window that is busy is asked again whether gathered changes can be shown.
constexpr int IdleCheckMs = 150;
/// How long a window that closes or opens another database waits for a read it stopped.
constexpr unsigned long StopWaitMs = 2000;
/// Reads of a change that fail in a row before the status says so (a file locked a moment by
/// a writer is read at the next try).
constexpr int QuietFailures = 3;

/// "A", "A and B", "A, B and C", "A, B and 3 more".
QString named(const QStringList& ids) {
    if (ids.size() <= 1)
        return ids.value(0);
    if (ids.size() <= 3)
        return ids.mid(0, ids.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
               ids.constLast();
    return QStringLiteral("%1 and %2 more")
        .arg(ids.mid(0, 2).join(QStringLiteral(", ")))
        .arg(ids.size() - 2);
}

} // namespace

/// One read of what changed, on a thread of its own: what to read, and what it found.
struct LiveUpdates::Read {
    QString location;
    store::Changes changes;
    std::optional<tree::ChangePlan> plan;
    bool wantItems = false;

    std::optional<tree::FreshLines> fresh;
    std::optional<std::vector<store::ItemLine>> items;
    std::optional<store::StoreError> failure;

    /// Stops the read (the window closes, another database opens): a lock waited for is given
    /// up, a statement running is interrupted.
    void interrupt() {
        opening.interrupt();
        const std::lock_guard lock(mutex);
        if (running)
            running->interrupt();
    }
    void run() {
        try {
            const std::unique_ptr<store::Store> db = store::openStore(location, opening);
            const Running mark(*this, db.get());
            if (plan && !opening.interrupted())
                fresh = tree::readChanges(*db, plan->read);
            if (wantItems && !opening.interrupted())
                items = db->itemLines();
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }

private:
    /// The store that interrupt() reaches, for as long as it is open.
    struct Running {
        Running(Read& read, store::Store* db) : m_read(read) {
            const std::lock_guard lock(m_read.mutex);
            m_read.running = db;
        }
        ~Running() {
            const std::lock_guard lock(m_read.mutex);
            m_read.running = nullptr;
        }
        Read& m_read;
    };
    store::OpenInterruption opening;
    std::mutex mutex;
    store::Store* running = nullptr;
};

LiveUpdates::LiveUpdates(tree::BomEditor& editor, BomTreeView& tree, ItemList& list,
                         LiveWindow window, QObject* parent)
    : QObject(parent), m_editor(editor), m_tree(tree), m_list(list), m_window(std::move(window)),
      m_editorsPanel(new QLabel) {
    m_editorsPanel->setObjectName(QStringLiteral("StatusPanel4"));
    m_editorsPanel->setAlignment(Qt::AlignCenter);
    m_editorsPanel->hide();
    m_idleCheck.setSingleShot(true);
    m_idleCheck.setInterval(IdleCheckMs);
    connect(&m_idleCheck, &QTimer::timeout, this, &LiveUpdates::applyWhenIdle);
    m_statusRest.setSingleShot(true);
    m_statusRest.setInterval(StatusRestMs);
    connect(&m_statusRest, &QTimer::timeout, this, [this] {
        // Only what this said goes: a status written since stays.
        if (!m_said.isEmpty() && m_window.status() == m_said)
            m_window.showStatus(m_window.restingStatus());
        m_said.clear();
    });
}

LiveUpdates::~LiveUpdates() { stopReading(); }

void LiveUpdates::stopReading() {
    if (!m_reader)
        return;
    // Stopped from a thread of its own: asking a server that no longer answers to stop must
    // not hold the window.
    std::thread([read = m_running] { read->interrupt(); }).detach();
    if (m_reader->wait(StopWaitMs)) {
        delete m_reader;
    } else {
        // Left to end by itself (the server's own timeouts end it); nothing of it comes back.
        QThread* reader = m_reader;
        connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    }
    m_reader = nullptr;
    m_running.reset();
}

void LiveUpdates::setIntervals(int pollMs, int groupMs) {
    m_pollMs = pollMs;
    m_groupMs = groupMs;
    if (m_watcher)
        m_watcher->setIntervals(pollMs, groupMs);
}

void LiveUpdates::watch(const QString& location) {
    if (location == m_location && (m_watcher || location.isEmpty()))
        return;
    m_watcher.reset();
    stopReading();
    m_done.reset();
    m_location = location;
    m_pending = {};
    m_hasPending = false;
    m_failedReads = 0;
    showEditors(0);
    if (location.isEmpty())
        return;
    m_watcher = std::make_unique<store::ChangeWatcher>(location);
    if (m_pollMs >= 0)
        m_watcher->setIntervals(m_pollMs, m_groupMs);
    connect(m_watcher.get(), &store::ChangeWatcher::changed, this, &LiveUpdates::receive);
    // What was read before the watch stood (the list, a tree) is read once more: a commit
    // between the two would otherwise never show.
    connect(m_watcher.get(), &store::ChangeWatcher::watching, this, [this] {
        store::Changes all;
        all.everything = true;
        m_pending.merge(all);
        m_hasPending = true;
        applyWhenIdle();
    });
    connect(m_watcher.get(), &store::ChangeWatcher::editorsChanged, this,
            &LiveUpdates::showEditors);
    connect(m_watcher.get(), &store::ChangeWatcher::notice, this,
            [this](const QString& text) { m_window.showStatus(text); });
}

void LiveUpdates::receive(const store::Changes& changes) {
    Q_EMIT heard(changes);
    m_pending.merge(changes);
    m_hasPending = true;
    applyWhenIdle();
}

bool LiveUpdates::windowIdle() const {
    // A question, a dialog or the busy box of a store call: the edit they belong to is written
    // first, and checked against the database as it then is.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return false;
    if (m_tree.editing())
        return false;
    // A drag from the list runs its own event loop until the drop.
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        return false;
    return !m_window.busy();
}

void LiveUpdates::applyWhenIdle() {
    if (m_reader)
        return; // the read's end comes back here
    if (!m_done && !m_hasPending)
        return;
    if (!windowIdle()) {
        m_idleCheck.start(IdleCheckMs);
        return;
    }
    if (m_done)
        showRead();
    else
        startRead();
}

void LiveUpdates::startRead() {
    auto read = std::make_shared<Read>();
    read->location = m_location;
    read->changes = m_pending;
    read->plan = m_editor.planChanges(m_pending);
    read->wantItems = m_pending.everything || !m_pending.items.isEmpty();
    m_pending = {};
    m_hasPending = false;
    if (!read->plan && !read->wantItems)
        return;
    m_running = read;
    m_reader = QThread::create([read] { read->run(); });
    connect(m_reader, &QThread::finished, this, [this, read] {
        // A read stopped (another database, the window closing) has gone with its thread.
        if (m_running != read)
            return;
        m_reader->deleteLater();
        m_reader = nullptr;
        m_done = std::move(m_running);
        applyWhenIdle();
    });
    m_reader->start();
}

void LiveUpdates::showRead() {
    const std::shared_ptr<Read> read = std::move(m_done);
    // What was read of a database left behind belongs to it.
    if (read->location != m_location)
        return applyWhenIdle();
    const auto readAgain = [&] {
        m_pending.merge(read->changes);
        m_hasPending = true;
    };
    if (read->failure) {
        // Kept for the next try: a file a writer holds locked is read a moment later.
        readAgain();
        if (++m_failedReads >= QuietFailures)
            m_window.showStatus(QStringLiteral("Changes by other editors could not be read: %1")
                                    .arg(read->failure->message()));
        m_idleCheck.start(std::min(IdleCheckMs << std::min(m_failedReads, 5), 5000));
        return;
    }
    m_failedReads = 0;
    tree::ShownChanges shown;
    if (read->plan) {
        m_applying = true;
        const bool current = m_editor.showFresh(read->plan->revision, *read->fresh, shown);
        m_applying = false;
        if (!current) {
            // The tree changed while the read ran (an edit, a load): read for it as it is now.
            readAgain();
            return applyWhenIdle();
        }
    }
    if (shown.topDescription)
        m_window.showDescription(*shown.topDescription);
    const bool listChanged = read->items && m_list.showItems(*read->items);
    if (shown.any())
        m_window.refreshStatistics();
    sayChanged(shown, listChanged);
    Q_EMIT this->shown(read->changes);
    applyWhenIdle();
}

void LiveUpdates::sayChanged(const tree::ShownChanges& shown, bool listChanged) {
    QString text;
    if (!shown.assemblies.isEmpty())
        text = QStringLiteral("%1 changed by another editor").arg(named(shown.assemblies));
    else if (!shown.items.isEmpty())
        text = QStringLiteral("%1 changed by another editor").arg(named(shown.items));
    else if (listChanged)
        text = QStringLiteral("The Item Master list was changed by another editor");
    if (text.isEmpty())
        return;
    m_said = text;
    m_window.showStatus(text);
    m_statusRest.start();
}

void LiveUpdates::showEditors(int others) {
    m_editorsPanel->setText(others == 1 ? QStringLiteral("1 other editor")
                                        : QStringLiteral("%1 other editors").arg(others));
    m_editorsPanel->setToolTip(
        QStringLiteral("Editors that have this database open on other computers or in other "
                       "windows"));
    m_editorsPanel->setVisible(others > 0);
}

} // namespace shell
