#include "tree/bill/BillReads.h"

#include "desktop/Desktop.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QLocale>

#include <chrono>
#include <thread>

namespace tree {

namespace {

/// Waits for a node's one-statement read without letting events run: it is asked for from
/// inside the view's own expanding and laying out, which a painting in between would see
/// half done.
class HeldWait : public store::StoreWait {
public:
    void waitFor(const std::function<bool()>& finished, const std::function<void()>&,
                 const QString&) override {
        while (!finished())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
};

} // namespace

bool DatabaseSession::chooseIfNone() {
    if (!isKnown())
        openFileDialog();
    return isKnown();
}

bool DatabaseSession::chooseForThisRunIfNone(desktop::Desktop& desktop) {
    if (isKnown())
        return true;
    const auto chosen = desktop.openFile(desktop::FileDialogTitle);
    if (!chosen)
        return false;
    setDatabasePath(*chosen);
    return true;
}

BillReads::BillReads(desktop::Desktop& desktop, DatabaseSession& session, BomDocument& document,
                     BomTreeModel& model, std::function<void(const QString&)> showStatus)
    : m_desktop(desktop), m_session(session), m_document(document), m_model(model),
      m_showStatus(std::move(showStatus)),
      m_edits(desktop, session, document, model, m_showStatus) {
    m_model.setLimits(DefaultNodeLimit, DefaultDepthLimit);
    // A node opened before the rest of the bill is in reads its components' bills at once.
    m_document.setBillReader([this](const QStringList& items) -> std::optional<LevelRead> {
        try {
            LevelRead read;
            HeldWait held;
            store::runOnStore(held, m_session.databasePath(), {}, [&](store::StoreCall& call) {
                read = BomDocument::readLevels(call.db(), items, 1);
            });
            return read;
        } catch (const store::StoreError& error) {
            if (error.number() != store::OperationCancelled)
                report(error.message());
            return std::nullopt;
        }
    });
}

void BillReads::setLimits(int nodeLimit, int depthLimit) { m_model.setLimits(nodeLimit, depthLimit); }

void BillReads::report(const QString& message) { m_desktop.messageBox(message, desktop::OkOnly); }

void BillReads::expandAll(const std::function<void(const std::vector<QModelIndex>&)>& expandView) {
    if (!m_document.ensureWhole(m_desktop))
        return;
    std::optional<desktop::BusyPointer> busy(std::in_place, m_desktop);
    const bool complete = m_model.openAll();
    m_model.holdFetching(true);
    expandView(m_model.openedNodes());
    m_model.holdFetching(false);
    busy.reset();
    if (m_model.reachesDepthLimit())
        report(store::StoreError(store::DepthLimit,
                                 QCoreApplication::translate(
                                     "tree", "The structure is deeper than %1 levels; the "
                                             "tree shows the first %1 and stops there.")
                                     .arg(m_model.depthLimit()))
                   .message());
    if (!complete)
        // Counted over the structure: the rows the tree would have, none of them made.
        report(store::StoreError(store::NodeLimit,
                                 QCoreApplication::translate(
                                     "tree", "The structure has %1 rows; Expand All opened "
                                             "the first %2.")
                                     .arg(QLocale().toString(m_model.structureRows()),
                                          QLocale().toString(m_model.nodeCount())))
                   .message());
}

QString BillReads::load(const QString& item) {
    m_showStatus(QCoreApplication::translate("tree", "...searching Bill of Material structure..."));
    std::optional<desktop::BusyPointer> busy(std::in_place, m_desktop);
    // The loaded item is remembered with the tree: later edits of the Item ID field never
    // change which assembly the top-level nodes belong to.
    m_document.clear(item);
    // Without one, the load goes on and its open says that no database was chosen.
    m_session.chooseIfNone();
    const QString path = m_session.databasePath();

    QString description;
    std::optional<store::StoreError> failure;
    LevelRead levels;
    try {
        runOnStore(m_desktop, path,
                   QCoreApplication::translate("tree", "Loading the bill of material of %1\u2026")
                       .arg(item),
                   [&](store::StoreCall& call) {
                       store::Store& db = call.db();
                       if (const auto found = db.findItem(item))
                           description = found->description.value_or(noDescription());
                       else if (!item.isEmpty())
                           // The load stays silent about an ID that names nothing, but shows it.
                           description = notInItemMaster();
                       // The window's events run once, after the tree has been emptied.
                       call.ask([&] {
                           m_desktop.processEvents();
                           return true;
                       });
                       // The item's lines and its components' bills, and which items below
                       // them have lines: the top level, its expand marks and those of the
                       // level below. The rest is read while the window goes on.
                       levels = BomDocument::readLevels(db, {item}, 2);
                   });
    } catch (const store::StoreError& error) {
        failure = error;
    }
    // Another database chosen while the load let events run: what was read belongs to the
    // file left, and the tree must not show it as the new one's.
    if (m_session.databasePath() != path) {
        m_document.clear(QString());
        m_document.setTopDescription({});
        m_showStatus(m_session.databasePath());
        return {};
    }
    if (failure)
        m_document.load(item, QHash<QString, store::ComponentLines>());
    else
        m_document.loadLevels(item, levels);
    m_document.setTopDescription(description);
    if (!failure)
        m_document.readRest(path);
    if (failure) {
        busy.reset();
        report(failure->message());
    }
    m_showStatus(description == notInItemMaster()
                     ? QCoreApplication::translate("tree", "'%1' is not in the Item Master of %2")
                           .arg(item, path)
                     : path);
    return description;
}

std::optional<ComponentFacts> BillReads::statistics(const QModelIndex& node) {
    // With no node there is nothing to show, and nothing of another node may stay.
    if (!node.isValid())
        return ComponentFacts{};
    m_showStatus(QCoreApplication::translate("tree", "...accessing Item Master record..."));
    if (!m_session.chooseForThisRunIfNone(m_desktop)) {
        m_showStatus(m_session.databasePath());
        return std::nullopt;
    }
    const QString component = m_model.text(node);
    // The node's own line: (parent node, node), or (loaded item, node) at the top level.
    const QString assembly = m_model.assemblyOf(node);
    ComponentFacts facts;
    try {
        runOnStore(m_desktop, m_session.databasePath(), {}, [&](store::StoreCall& call) {
            store::Store& db = call.db();
            // The whole line: its quantity as the tree shows one, and when it started.
            if (const auto line = db.findLine(assembly, component)) {
                // Text that another program wrote into the quantity is named, as ever.
                if (!line->quantity.isNull() && !isNumber(line->quantity))
                    throw store::StoreError(
                        store::QueryFailed,
                        QCoreApplication::translate(
                            "tree", "The quantity of '%1' in '%2' is not a number: '%3'.")
                            .arg(component, assembly, line->quantity.toString()));
                facts.quantity =
                    isNumber(line->quantity) ? formatQuantity(line->quantity.toDouble()) : QString();
                facts.startDate = line->startDate.toString();
            }
            if (const auto item = db.findItem(component)) {
                facts.unit = item->unit.value_or(QString());
                facts.description = item->description.value_or(noDescription());
            } else {
                facts.description = notInItemMaster();
            }
        });
    } catch (const store::StoreError& error) {
        report(error.message());
        // Half a read would show this node's quantity beside another node's description.
        facts = {};
    }
    m_showStatus(m_session.databasePath());
    return facts;
}

ComponentFacts BillReads::shownFacts(const QModelIndex& node) const {
    if (!node.isValid())
        return {};
    const std::optional<double> quantity = m_model.quantity(node);
    const QString description = m_model.description(node);
    const Structure::Line& line = m_document.structure().line(m_model.lineOf(node));
    return {quantity ? formatQuantity(*quantity) : QString(), m_model.unit(node),
            !line.known             ? notInItemMaster()
            : description.isEmpty() ? noDescription()
                                    : description,
            line.startDate};
}

} // namespace tree
