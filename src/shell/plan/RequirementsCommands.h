#pragma once

#include "shell/plan/RequirementsDialog.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QMenu;

namespace desktop {
class Desktop;
}

namespace shell {

class CommandContext;

/// Tools ▸ "Requirements…": the one Requirements window of the main window and what its
/// buttons do. "Work Out" reads every line reachable from the listed items in one trip to the
/// store (off the window's thread, with Cancel after a moment) and sums over each item's
/// structure (tree::requirements); the answer is exported as CSV or Excel, printed, or copied.
/// Failures are numbered messages.
class RequirementsCommands : public QObject {
    Q_OBJECT
public:
    explicit RequirementsCommands(CommandContext& context);

    /// Adds "Requirements…" to `menu`.
    void addTo(QMenu* menu);
    /// Opens the window; a new one lists the loaded item, to build 1.
    void open();
    /// Reads the plan's bills and shows what the plan needs.
    void workOut();
    /// Adds an item of the Item Master, chosen in the find box, to the plan.
    void addItem();
    /// Adds the rows on the clipboard (item ID and quantity, as a spreadsheet copies them).
    void pasteRows();
    void exportCsv();
    void exportExcel();
    void print();
    RequirementsDialog* dialog() const { return m_dialog; }

private:
    /// Asks where to write the requirements (named after the plan's first item with `suffix`),
    /// runs `write` there and says what was written, or the error.
    void exportTo(const QString& suffix, const QStringList& filters,
                  const std::function<void(const QString& path)>& write);
    void fail(int number, const QString& text);

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    QPointer<RequirementsDialog> m_dialog;
};

} // namespace shell
