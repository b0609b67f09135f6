#include "shell/plan/LowLevelColumn.h"

#include "shell/window/CommandContext.h"
#include "shell/window/ItemList.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "tree/LowLevelCodes.h"

#include <QHash>

namespace shell {

LowLevelColumn::LowLevelColumn(CommandContext& context)
    : QObject(context.window()), m_context(context) {
    connect(&context.list(), &ItemList::lowLevelCodesWanted, this, &LowLevelColumn::read);
}

LowLevelColumn::~LowLevelColumn() = default;

namespace {

/// What the read hands back to the window's thread.
struct ReadCodes {
    tree::LowLevelCodes codes;
    QHash<QString, QString> spelling; // folded component ID → as a line holds it
};

} // namespace

void LowLevelColumn::read() {
    const QString location = m_context.databasePath();
    m_trip.reset(); // an older read is of an older list
    m_running = false;
    if (location.isEmpty())
        return;
    auto result = std::make_shared<ReadCodes>();
    m_running = true;
    m_trip = std::make_unique<store::BackgroundTrip>(
        location,
        [result](store::StoreCall& call) {
            const QHash<QString, store::ComponentLines> all = call.db().allComponentLines();
            std::vector<std::pair<QString, QString>> lines;
            for (auto bill = all.cbegin(); bill != all.cend(); ++bill)
                for (const store::ComponentLine& line : *bill) {
                    lines.emplace_back(bill.key(), line.id);
                    // Every item on or below a cycle is some line's component: its spelling
                    // for the status.
                    result->spelling.insert(store::foldKey(line.id), line.id);
                }
            result->codes = tree::lowLevelCodes(lines);
        },
        this,
        [this, result](std::exception_ptr failure) {
            m_running = false;
            if (failure) {
                try {
                    std::rethrow_exception(failure);
                } catch (const store::StoreError& error) {
                    m_context.showStatus(
                        QStringLiteral("Low-level codes not read: %1").arg(error.message()));
                } catch (...) {
                    m_context.showStatus(QStringLiteral("Low-level codes not read."));
                }
                return;
            }
            m_context.list().setLowLevelCodes(result->codes);
            const QStringList& circular = result->codes.circular;
            if (circular.isEmpty())
                return;
            // The lines come in no set order: the first few by ID, as the list shows them.
            QStringList named;
            for (const QString& id : circular)
                named.append(result->spelling.value(store::foldKey(id), id));
            named.sort(Qt::CaseInsensitive);
            constexpr qsizetype Shown = 5;
            if (named.size() > Shown) {
                named.resize(Shown);
                named.append(QStringLiteral("\u2026"));
            }
            m_context.showStatus(
                QStringLiteral("%1 on or below a cycle, without a low-level code: %2")
                    .arg(circular.size() == 1
                             ? QStringLiteral("1 item stands")
                             : QStringLiteral("%1 items stand").arg(circular.size()),
                         named.join(QStringLiteral(", "))));
        });
}

} // namespace shell
