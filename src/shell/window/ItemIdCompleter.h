#pragma once

#include <QAbstractListModel>
#include <QCompleter>
#include <QString>

#include <vector>

class QAbstractItemView;
class QLineEdit;

namespace shell {

class ItemListModel;

/// The items of `items` whose ID holds `typed`, ignoring case: the item whose ID the store
/// takes as `typed` itself first, then those whose ID begins with it, then those that hold it
/// further on, each group in the list's order; at most `limit`.
std::vector<int> completionOrder(const ItemListModel& items, const QString& typed, int limit);

/// The items whose IDs are nearest to `typed` by edit distance over the case-folded IDs,
/// nearest first and, at one distance, in the list's order: at most `count`, and none further
/// than a third of what was typed (at least one edit, at most eight), so that a stray word
/// offers nothing.
std::vector<int> nearestItems(const ItemListModel& items, const QString& typed, int count = 3);

/// "Did you mean LAMP-DESK-100?" for the items of `nearest`; empty when there are none.
QString didYouMean(const ItemListModel& items, const std::vector<int>& nearest);

/// The lines of the Item ID field's popup: the items that completionOrder gives for the text
/// typed, each shown as its ID and its description, and completing to its ID.
class ItemIdCompletionModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ItemIdCompletionModel(const ItemListModel& items, QObject* parent = nullptr);

    /// The lines for `typed`.
    void setTyped(const QString& typed);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const ItemListModel& m_items;
    QString m_typed;
    std::vector<int> m_rows;
};

/// The Item ID field's completion from the Item Master: a popup of the matching items as one
/// types, with no line current until the user moves to one. Enter on the line moved to, or a
/// click on a line, puts its ID in the field (Enter otherwise keeps what was typed) and says
/// so with chosen(), on which the window takes the field as it takes Enter there. A click
/// outside the popup closes it and still reaches what it was aimed at.
class ItemIdCompleter : public QCompleter {
    Q_OBJECT
public:
    /// Completes `field` from the items of `items`.
    ItemIdCompleter(QLineEdit& field, const ItemListModel& items);

    /// Opens the popup on the lines of what the field holds, none of them current.
    void showLines();

Q_SIGNALS:
    /// The user has chosen what the field holds now.
    void chosen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followTyping();

    QLineEdit& m_field;
    ItemIdCompletionModel* m_lines;
    QAbstractItemView* m_popup = nullptr;
    /// The user has moved to a line of the popup since the text last changed.
    bool m_moved = false;
};

} // namespace shell
