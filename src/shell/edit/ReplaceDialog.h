#pragma once

#include "store/Store.h"
#include "tree/edits/BulkEdits.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace shell {

/// The box of "Replace Component…" and "Remove From Every Assembly": every assembly that lists
/// the old component directly, one line each with a tick (all ticked), the old quantity and,
/// for a replace, the new one, kept or multiplied by a factor. A line the database would
/// refuse (a cycle, a duplicate, a line changed meanwhile) shows why and cannot be ticked.
/// With the same item as old and new (SetQuantity) it sets the quantity of the component in
/// the ticked assemblies instead: to a value, or multiplied by a factor.
/// OK takes the ticked lines; Cancel and Esc take none.
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Replace, Remove, SetQuantity };
    /// `uses`: the old lines as stored; `refusals`: for each, why its change would be refused.
    /// `component`: the new component of a replace.
    ReplaceDialog(Mode mode, const QString& old, const QString& component,
                  const std::vector<store::LineRow>& uses,
                  const std::vector<std::optional<store::StoreError>>& refusals,
                  QWidget* parent = nullptr);

    /// The places in `uses` of the ticked lines, in order.
    std::vector<size_t> ticked() const;
    /// The reason the user gave, kept with the change in the history; empty for none.
    QString reason() const;
    /// The factor of the new quantities; empty for "kept".
    std::optional<double> factor() const;
    /// The rule of a SetQuantity box; empty while its number is none.
    std::optional<tree::QuantityRule> quantityRule() const;
    /// Chooses "set to" or "multiplied by" in a SetQuantity box, with the number typed as `text`.
    void setQuantityText(bool multiply, const QString& text);
    /// Ticks or clears line `at`, as a click on its box does (a refused line stays clear).
    void setTicked(size_t at, bool ticked);
    /// Chooses "multiplied by" with the factor typed as `text`, or "kept" for an empty one.
    void setFactorText(const QString& text);
    /// The assemblies of the lines listed, in their order.
    QStringList assemblies() const;
    /// Says under the heading that lines listed have changed since they were read (empty: no
    /// change).
    void noteChange(const QString& text);

private:
    void update();
    /// Line `at`'s new quantity as the box's rule makes it; empty while the rule has no number.
    std::optional<QVariant> newQuantity(size_t at) const;

    Mode m_mode;
    std::vector<store::LineRow> m_uses;
    QTreeWidget* m_lines;
    QLabel* m_changeNote;
    QLabel* m_heading;
    QString m_old;
    QComboBox* m_rule = nullptr;
    QLineEdit* m_factor = nullptr;
    QLineEdit* m_reason = nullptr;
    QPushButton* m_ok;
};

} // namespace shell
