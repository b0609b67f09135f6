#include "shell/window/CommandRegistry.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace shell {

struct CommandRegistry::Menu {
    QPointer<QMenu> menu;
    std::vector<MenuPlace> places;
    /// One separator for each place that may start a run after another.
    std::vector<QAction*> separators;
};

CommandRegistry::CommandRegistry(QObject* parent) : QObject(parent) {}

CommandRegistry::~CommandRegistry() = default;

void CommandRegistry::layOut(QMenu* menu, std::initializer_list<MenuPlace> places) {
    auto laid = std::make_unique<Menu>();
    laid->menu = menu;
    laid->places.assign(places);
    for (const MenuPlace& place : places) {
        Q_ASSERT(!m_menuOf.contains(place.group));
        m_menuOf[place.group] = laid.get();
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        laid->separators.push_back(separator);
    }
    rebuild(*laid);
    m_menus.push_back(std::move(laid));
}

QAction* CommandRegistry::add(MenuGroup group, QAction* action) {
    const auto menu = m_menuOf.find(group);
    Q_ASSERT_X(menu != m_menuOf.end(), "CommandRegistry::add", "a group the window lays out");
    m_groups[group].push_back(action);
    if (!action->objectName().isEmpty())
        m_byId.insert(action->objectName(), action);
    rebuild(*menu->second);
    return action;
}

QAction* CommandRegistry::add(MenuGroup group, const char* id, const QString& text,
                              const QKeySequence& shortcut) {
    auto* action = new QAction(text, menu(group));
    action->setObjectName(QLatin1StringView(id));
    action->setShortcut(shortcut);
    return add(group, action);
}

QMenu* CommandRegistry::addMenu(MenuGroup group, const char* id, const QString& title) {
    auto* submenu = new QMenu(title, menu(group));
    submenu->setObjectName(QLatin1StringView(id));
    add(group, submenu->menuAction());
    // Found by the submenu's name: its own item keeps none, as the crash report names it.
    m_byId.insert(submenu->objectName(), submenu->menuAction());
    return submenu;
}

QMenu* CommandRegistry::menu(MenuGroup group) const {
    const auto menu = m_menuOf.find(group);
    return menu == m_menuOf.end() ? nullptr : menu->second->menu.data();
}

QAction* CommandRegistry::action(QStringView id) const {
    return m_byId.value(id.toString());
}

void CommandRegistry::rebuild(Menu& laid) {
    QMenu* menu = laid.menu;
    if (!menu)
        return;
    // Rebuilt whole while the features register, before the window shows: the menu then holds
    // exactly its groups' commands in the window's order, whatever the order of registration.
    QList<QAction*> shown;
    bool runShown = false;
    bool separatorDue = false;
    for (size_t i = 0; i < laid.places.size(); ++i) {
        const MenuPlace& place = laid.places[i];
        if (place.separated && runShown)
            separatorDue = true;
        const auto group = m_groups.find(place.group);
        if (group == m_groups.end() || group->second.empty())
            continue;
        if (separatorDue)
            shown.append(laid.separators[i]);
        separatorDue = false;
        for (QAction* action : group->second)
            shown.append(action);
        runShown = true;
    }
    if (menu->actions() == shown)
        return;
    for (QAction* action : menu->actions())
        menu->removeAction(action);
    menu->addActions(shown);
}

} // namespace shell
