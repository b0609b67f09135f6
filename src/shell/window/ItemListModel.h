#pragma once

#include "tree/plan/LowLevelCodes.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace store {
struct ItemLine;
}

namespace shell {

/// The lines of the Item Master list: every item of the database in the order given (key
/// order), with its description as a second column, of which the lines that hold the find
/// text are shown. The find text is literal and ignores case: it is sought in the ID and in
/// the description, anywhere in each; no character has a special meaning. The item whose ID
/// the store takes as the find text itself is shown first, the others after it in key order.
class ItemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IdColumn, DescriptionColumn, LowLevelCodeColumn, ColumnCount };

    explicit ItemListModel(QObject* parent = nullptr);

    /// Appends items after those already there; the find text applies to them too.
    void append(const std::vector<store::ItemLine>& items);
    /// Makes `items` the list, in one reset, unless they are the items it holds already
    /// (IDs and descriptions, in order); true when the list changed.
    bool replace(const std::vector<store::ItemLine>& items);
    /// The item with exactly this ID, or -1.
    int itemOf(const QString& id) const;
    /// The item whose ID the store takes as `id` (its case rule, foldKey), or -1.
    int itemWithKey(const QString& id) const;
    void clear();
    /// Shows only the items whose ID or description holds `text` (all when it is empty).
    void setFindText(const QString& text);
    QString findText() const { return m_findText; }
    /// The low-level codes of the database's items, as lowLevelCodes gave them from every
    /// line: an item no line names is a top (0); one on or below a cycle shows none.
    void setLowLevelCodes(const tree::LowLevelCodes& codes);

    /// Every item, shown or not: how many, and each one's ID, description (empty for none) and
    /// ID as the find folds it.
    int itemCount() const { return int(m_ids.size()); }
    const QString& id(int item) const { return m_ids.at(item); }
    const QString& description(int item) const { return m_descriptions.at(item); }
    QStringView foldedId(int item) const {
        const qsizetype from = m_bounds[2 * size_t(item)];
        return QStringView(m_folded).mid(from, m_bounds[2 * size_t(item) + 1] - from);
    }

    /// The ID on each shown line, top to bottom.
    QStringList shownIds() const;
    /// The item a shown line holds (its place among all items), or -1 for an invalid row.
    int itemAt(int row) const;
    /// The line that shows the item, or -1 when the find text hides it.
    int rowOf(int item) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // The work of append and clear, inside a reset of the caller's.
    void appendRows(const std::vector<store::ItemLine>& items);
    void emptyRows();
    /// The items, of those given, that hold the folded text; every item when `candidates` is
    /// null.
    std::vector<int> matching(const QString& folded, const std::vector<int>* candidates) const;

    QStringList m_ids;
    QStringList m_descriptions; // empty for a Null description
    // Every item's case-folded ID and description, one after the other, so that one search
    // runs over all of them; item i's ID spans [m_bounds[2i], m_bounds[2i+1]) and its
    // description [m_bounds[2i+1], m_bounds[2i+2]).
    QString m_folded;
    std::vector<qsizetype> m_bounds{0};
    /// Puts the item that the find text names first (m_first), when it is shown.
    void placeNamedFirst();

    std::vector<int> m_shown; // the items shown, ascending
    int m_first = -1;          // the shown item the find text names, shown on the first line
    size_t m_firstAt = 0;      // its place in m_shown
    QString m_findText;
    QString m_foldedFind;
    bool m_codesRead = false;
    QHash<QString, int> m_codes; // by folded ID
    QSet<QString> m_circular;    // folded IDs

};

} // namespace shell
