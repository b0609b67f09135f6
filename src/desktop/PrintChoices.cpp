#include "desktop/PrintChoices.h"

namespace desktop {

PrintChoices::PrintChoices(std::vector<Choice> choices, int chosen)
    : m_choices(std::move(choices)), m_made(m_choices.size()) {
    m_chosen = -1;
    if (!choose(chosen))
        choose(0);
}

PrintChoices::~PrintChoices() = default;

QStringList PrintChoices::names() const {
    QStringList names;
    for (const Choice& choice : m_choices)
        names.append(choice.name);
    return names;
}

bool PrintChoices::choose(int index) {
    if (index < 0 || size_t(index) >= m_choices.size())
        return false;
    auto& made = m_made[size_t(index)];
    if (!made && m_choices[size_t(index)].make)
        made = m_choices[size_t(index)].make();
    if (!made)
        return false;
    m_chosen = index;
    return true;
}

PagedDocument* PrintChoices::current() const {
    return m_chosen >= 0 ? m_made[size_t(m_chosen)].get() : nullptr;
}

int PrintChoices::paginate(QPagedPaintDevice& device) {
    return current() ? current()->paginate(device) : 1;
}

void PrintChoices::paintPage(QPainter& painter, int page) {
    if (current())
        current()->paintPage(painter, page);
}

QString PrintChoices::title() const { return current() ? current()->title() : QString(); }

} // namespace desktop
