#include "shell/database/DatabaseCommands.h"

#include "shell/database/DatabaseChoice.h"
#include "shell/database/ImportCommands.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

namespace shell {

namespace {

void drawRecent(QMenu& menu, DatabaseChoice& choice) {
    menu.clear();
    const QStringList recent = choice.recentDatabases();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString& path = recent[i];
        // Its number is the line's access key; an & in a path or address is text, not the
        // mark of one. The path itself travels as the action's data.
        QAction* open = menu.addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString(path).replace(u'&', QStringLiteral("&&"))));
        open->setData(path);
        QObject::connect(open, &QAction::triggered, &menu,
                         [&choice, path] { choice.openDatabase(path); });
    }
    menu.setEnabled(!recent.isEmpty());
}

} // namespace

void registerDatabaseCommands(CommandContext& context) {
    CommandRegistry& commands = context.commands();
    DatabaseChoice& choice = context.database();
    QAction* open =
        commands.add(MenuGroup::FileOpen, "mnuOpen",
                     QCoreApplication::translate("shell", "&Open Database"), QKeySequence::Open);
    QObject::connect(open, &QAction::triggered, open, [&choice] { choice.openDatabase(); });
    QAction* connect = commands.add(MenuGroup::FileOpen, "mnuConnect",
                                    QCoreApplication::translate("shell", "Connect to &Server…"));
    QObject::connect(connect, &QAction::triggered, connect, [&choice] { choice.connectToServer(); });
    QMenu* recent = commands.addMenu(MenuGroup::FileOpen, "mnuRecent",
                                     QCoreApplication::translate("shell", "&Recent Databases"));
    drawRecent(*recent, choice);
    QObject::connect(&choice, &DatabaseChoice::databaseChanged, recent,
                     [recent, &choice] { drawRecent(*recent, choice); });

    auto* imports = new ImportCommands(context);
    imports->addTo(commands);
    // Even under the current database's own name, the new file holds other lines.
    QObject::connect(imports, &ImportCommands::databaseCreated, imports,
                     [&choice](const QString& path) { choice.openCreated(path); });
    // The loaded bill shows the rows already (LineEdits::showWrittenRows), its open nodes open.
    QObject::connect(imports, &ImportCommands::rowsAdded, imports, [&choice] { choice.refillList(); });
    QObject::connect(imports, &ImportCommands::imported, &commands, &CommandRegistry::importSummary);
}

} // namespace shell
