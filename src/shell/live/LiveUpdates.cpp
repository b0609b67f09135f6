#include "shell/live/LiveUpdates.h"

#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/ItemList.h"
#include "store/Store.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LiveReader.h"
#include "tree/bill/LiveWatch.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>

#include <utility>

namespace shell {

namespace {

/// How long the status says what changed before it shows the database again.
constexpr int StatusRestMs = 6000;
/// How often a window that is busy is asked again whether gathered changes can be shown.
constexpr int IdleCheckMs = 150;
/// Reads of a change that fail in a row before the status says so (a file locked a moment by
/// a writer is read at the next try).
constexpr int QuietFailures = 3;

/// "A", "A and B", "A, B and C", "A, B and 3 more".
QString named(const QStringList& ids) {
    if (ids.size() <= 1)
        return ids.value(0);
    if (ids.size() <= 3)
        return QCoreApplication::translate("shell", "%1 and %2")
            .arg(ids.mid(0, ids.size() - 1).join(QStringLiteral(", ")), ids.constLast());
    const int more = int(ids.size()) - 2;
    return QCoreApplication::translate("shell", "%1 and %n more", nullptr, more)
        .arg(ids.mid(0, 2).join(QStringLiteral(", ")));
}

} // namespace

LiveUpdates::LiveUpdates(CommandContext& context)
    : QObject(context.window()), m_context(context),
      m_reader(new tree::LiveReader(context.model().document(), this)),
      m_editorsPanel(new QLabel) {
    connect(m_reader, &tree::LiveReader::finished, this, [this] {
        m_readDone = true;
        applyWhenIdle();
    });
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
        if (!m_said.isEmpty() && m_context.status() == m_said)
            m_context.showStatus(m_context.databasePath());
        m_said.clear();
    });
}

LiveUpdates::~LiveUpdates() = default;

void LiveUpdates::stopReading() {
    m_reader->stop();
    m_readDone = false;
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
    m_location = location;
    m_pending = {};
    m_hasPending = false;
    m_failedReads = 0;
    showEditors(0);
    if (location.isEmpty())
        return;
    m_watcher = std::make_unique<tree::LiveWatch>(location);
    if (m_pollMs >= 0)
        m_watcher->setIntervals(m_pollMs, m_groupMs);
    connect(m_watcher.get(), &tree::LiveWatch::changed, this, &LiveUpdates::receive);
    // What was read before the watch stood (the list, a tree) is read once more: a commit
    // between the two would otherwise never show.
    connect(m_watcher.get(), &tree::LiveWatch::watching, this, [this] {
        store::Changes all;
        all.everything = true;
        m_pending.merge(all);
        m_hasPending = true;
        applyWhenIdle();
    });
    connect(m_watcher.get(), &tree::LiveWatch::editorsChanged, this,
            &LiveUpdates::showEditors);
    connect(m_watcher.get(), &tree::LiveWatch::notice, this,
            [this](const QString& text) { m_context.showStatus(text); });
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
    if (m_context.tree().editing())
        return false;
    // A drag from the list runs its own event loop until the drop.
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        return false;
    return !m_context.busy();
}

void LiveUpdates::applyWhenIdle() {
    if (m_reader->running())
        return; // the read's end comes back here
    if (!m_readDone && !m_hasPending)
        return;
    if (!windowIdle()) {
        m_idleCheck.start(IdleCheckMs);
        return;
    }
    if (m_readDone)
        showRead();
    else
        startRead();
}

void LiveUpdates::startRead() {
    const store::Changes changes = std::exchange(m_pending, {});
    m_hasPending = false;
    m_reader->start(m_location, changes, changes.everything || !changes.items.isEmpty());
}

void LiveUpdates::showRead() {
    m_readDone = false;
    // What was read of a database left behind belongs to it.
    if (m_reader->location() != m_location)
        return applyWhenIdle();
    const auto readAgain = [&] {
        m_pending.merge(m_reader->changes());
        m_hasPending = true;
    };
    tree::ShownChanges shown;
    m_applying = true;
    const tree::LiveReader::Shown outcome = m_reader->show(shown);
    m_applying = false;
    if (outcome == tree::LiveReader::Shown::Failed) {
        // Kept for the next try: a file a writer holds locked is read a moment later.
        readAgain();
        if (++m_failedReads >= QuietFailures)
            m_context.showStatus(tr("Changes by other editors could not be read: %1")
                                     .arg(m_reader->failure()->message()));
        m_idleCheck.start(std::min(IdleCheckMs << std::min(m_failedReads, 5), 5000));
        return;
    }
    m_failedReads = 0;
    if (outcome == tree::LiveReader::Shown::MovedOn) {
        // The tree changed while the read ran (an edit, a load): read for it as it is now.
        readAgain();
        return applyWhenIdle();
    }
    if (shown.topDescription)
        Q_EMIT descriptionRead(*shown.topDescription);
    const bool listChanged = m_reader->items() && m_context.list().showItems(*m_reader->items());
    if (shown.any())
        Q_EMIT treeChanged();
    sayChanged(shown, listChanged);
    Q_EMIT this->shown(m_reader->changes());
    applyWhenIdle();
}

void LiveUpdates::sayChanged(const tree::ShownChanges& shown, bool listChanged) {
    QString text;
    // A file's commit that no editor recorded is another program's (the manufacturing
    // application, sqlite3), and said so.
    const bool byProgram = m_reader->changes().byProgram;
    const QStringList& changed = !shown.assemblies.isEmpty() ? shown.assemblies : shown.items;
    if (!changed.isEmpty())
        text =
            (byProgram ? tr("%1 changed by another program") : tr("%1 changed by another editor"))
                .arg(named(changed));
    else if (listChanged)
        text = byProgram ? tr("The Item Master list was changed by another program")
                         : tr("The Item Master list was changed by another editor");
    if (text.isEmpty())
        return;
    m_said = text;
    m_context.showStatus(text);
    m_statusRest.start();
}

void LiveUpdates::showEditors(int others) {
    m_editorsPanel->setText(tr("%n other editor(s)", nullptr, others));
    m_editorsPanel->setToolTip(
        tr("Editors that have this database open on other computers or in other "
           "windows"));
    m_editorsPanel->setVisible(others > 0);
}

} // namespace shell
