#include "shell/plan/LowLevelColumn.h"

#include "shell/window/CommandContext.h"
#include "shell/window/ItemList.h"

#include "tree/plan/LowLevelRead.h"

namespace shell {

LowLevelColumn::LowLevelColumn(CommandContext& context)
    : QObject(context.window()), m_context(context) {
    connect(&context.list(), &ItemList::lowLevelCodesWanted, this, &LowLevelColumn::read);
}

LowLevelColumn::~LowLevelColumn() = default;

void LowLevelColumn::read() {
    const QString location = m_context.databasePath();
    m_read.reset(); // an older read is of an older list
    m_running = false;
    if (location.isEmpty())
        return;
    m_running = true;
    m_read =
        std::make_unique<tree::LowLevelRead>(location, this, [this](const tree::StoredCodes& read) {
            m_running = false;
            if (!read.codes) {
                m_context.showStatus(read.failure.isEmpty()
                                         ? tr("Low-level codes not read.")
                                         : tr("Low-level codes not read: %1").arg(read.failure));
                return;
            }
            m_context.list().setLowLevelCodes(*read.codes);
            const QStringList& circular = read.codes->circular;
            if (circular.isEmpty())
                return;
            QStringList named = read.circular;
            constexpr qsizetype Shown = 5;
            if (named.size() > Shown) {
                named.resize(Shown);
                named.append(QStringLiteral("\u2026"));
            }
            m_context.showStatus(
                tr("%n item(s) stand(s) on or below a cycle, without a low-level code: %1", nullptr,
                   int(circular.size()))
                    .arg(named.join(QStringLiteral(", "))));
        });
}

} // namespace shell
