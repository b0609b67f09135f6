#pragma once

#include "desktop/Desktop.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace desktop {

/// A print of one of several documents, the user's choice among them (the indented bill, the
/// summarised bill, a Where Used list): the print dialog and the preview offer the choices by
/// name, and a document is made only once it is chosen, since making one may read the
/// database.
class PrintChoices : public PagedDocument {
public:
    /// One document on offer: its name as the dialogs show it (with an & before the letter of
    /// its shortcut), and how it is made; the maker returns nothing when the document could not
    /// be made (the user cancelled its reading, or a failure that was already shown).
    struct Choice {
        QString name;
        std::function<std::unique_ptr<PagedDocument>()> make;
    };

    /// Offers `choices`, with `chosen` made and chosen, or the first one should `chosen` be
    /// out of range or fail to be made.
    PrintChoices(std::vector<Choice> choices, int chosen);
    ~PrintChoices() override;

    /// The names of the choices, in order.
    QStringList names() const;
    /// The choice printed, from 0.
    int chosen() const { return m_chosen; }
    /// Makes choice `index` the one printed, made first where it has not been; false, and the
    /// choice left as it was, when it could not be made.
    bool choose(int index);
    /// Whether a document was made at all: false only when the first choice failed too.
    bool valid() const { return current() != nullptr; }

    int paginate(QPagedPaintDevice& device) override;
    void paintPage(QPainter& painter, int page) override;
    QString title() const override;

private:
    PagedDocument* current() const;

    std::vector<Choice> m_choices;
    std::vector<std::unique_ptr<PagedDocument>> m_made;
    int m_chosen = 0;
};

} // namespace desktop
