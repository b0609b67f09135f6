#include "shell/edit/ReplaceDialog.h"

#include "shell/live/ChangeNote.h"

#include "store/LineRules.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/BulkEdits.h"
#include "tree/edits/Quantity.h"

#include <QBrush>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

enum Column { Assembly, Quantity, NewQuantity, Refused };

/// A stored quantity as the tree shows it: empty for Null, text that is no number as it is.
QString shownQuantity(const QVariant& stored) {
    if (stored.isNull())
        return {};
    return tree::isNumber(stored) ? tree::formatQuantity(stored.toDouble()) : stored.toString();
}

} // namespace

ReplaceDialog::ReplaceDialog(Mode mode, const QString& old, const QString& component,
                             const std::vector<store::LineRow>& uses,
                             const std::vector<std::optional<store::StoreError>>& refusals,
                             QWidget* parent)
    : QDialog(parent), m_mode(mode), m_uses(uses), m_old(old) {
    setObjectName(QStringLiteral("ReplaceLines"));
    const bool replace = mode == Mode::Replace;
    const bool setQuantity = mode == Mode::SetQuantity;
    setWindowTitle(replace       ? tr("Replace Component")
                   : setQuantity ? tr("Set Quantity")
                                 : tr("Remove From Every Assembly"));
    // IDs are text, never markup; one too long to wrap is cut short here (the list below
    // holds every ID whole), so that the box and its buttons stay on the screen.
    const auto shown = [](const QString& id) {
        constexpr qsizetype Longest = 60;
        return id.size() > Longest ? id.left(Longest - 1) + QChar(0x2026) : id;
    };
    m_old = shown(old);
    // A SetQuantity heading counts the ticked assemblies, and follows the ticks (update()).
    m_heading = new QLabel(
        replace ? tr("Replace %1 with %2 in the ticked assemblies (%Ln list(s) %1):", nullptr,
                     int(uses.size()))
                      .arg(shown(old), shown(component))
                : tr("Remove %1 from the ticked assemblies (%Ln list(s) it):", nullptr,
                     int(uses.size()))
                      .arg(shown(old)),
        this);
    m_heading->setObjectName(QStringLiteral("replaceHeading"));
    QLabel* heading = m_heading;
    heading->setTextFormat(Qt::PlainText);
    heading->setToolTip(replace ? QStringLiteral("%1 \u2192 %2").arg(old, component) : old);
    heading->setWordWrap(true);
    heading->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_lines = new QTreeWidget(this);
    m_lines->setObjectName(QStringLiteral("replaceLines"));
    m_lines->setAccessibleName(tr("Assemblies"));
    m_lines->setRootIsDecorated(false);
    m_lines->setUniformRowHeights(true);
    m_lines->setHeaderLabels({tr("Assembly"), tr("Quantity"), tr("New Quantity"), tr("Refused")});
    m_lines->setColumnHidden(NewQuantity, !replace && !setQuantity);
    QList<QTreeWidgetItem*> items;
    for (size_t at = 0; at < uses.size(); ++at) {
        auto* item = new QTreeWidgetItem;
        item->setText(Assembly, uses[at].assembly);
        item->setText(Quantity, shownQuantity(uses[at].quantity));
        const bool refused = at < refusals.size() && refusals[at];
        if (refused) {
            // Shown, so that the user sees what stays as it is and why; never ticked.
            item->setText(Refused, refusals[at]->message());
            item->setToolTip(Refused, refusals[at]->message());
            item->setFlags(item->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled));
            item->setCheckState(Assembly, Qt::Unchecked);
        } else {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Assembly, Qt::Checked);
        }
        items.append(item);
    }
    m_lines->addTopLevelItems(items);
    m_lines->header()->setSectionResizeMode(Assembly, QHeaderView::ResizeToContents);
    connect(m_lines, &QTreeWidget::itemChanged, this, [this] { update(); });

    m_changeNote = makeChangeNote(this);
    auto* column = new QVBoxLayout(this);
    column->addWidget(heading);
    column->addWidget(m_changeNote);
    column->addWidget(m_lines, 1);
    if (replace || setQuantity) {
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(tr("New &quantity:"), this);
        m_rule = new QComboBox(this);
        m_rule->setObjectName(QStringLiteral("replaceRule"));
        // Keeping the quantity of the same component would change nothing: a SetQuantity box
        // offers a value instead.
        m_rule->addItems({replace ? tr("kept") : tr("set to"), tr("multiplied by")});
        label->setBuddy(m_rule);
        m_factor = new QLineEdit(replace ? QStringLiteral("1") : QString(), this);
        m_factor->setObjectName(QStringLiteral("replaceFactor"));
        m_factor->setAccessibleName(replace ? tr("Factor") : tr("Quantity"));
        m_factor->setEnabled(setQuantity);
        row->addWidget(label);
        row->addWidget(m_rule);
        row->addWidget(m_factor, 1);
        column->addLayout(row);
        connect(m_rule, &QComboBox::currentIndexChanged, this, [this](int index) {
            m_factor->setEnabled(index == 1 || m_mode == Mode::SetQuantity);
            m_factor->setAccessibleName(index == 1 ? tr("Factor") : tr("Quantity"));
            update();
        });
        connect(m_factor, &QLineEdit::textChanged, this, [this] { update(); });
    }
    if (replace || setQuantity) {
        // A line's start date says since when it stands in its assembly: a replace or a new
        // quantity does not move it.
        auto* dates = new QLabel(replace ? tr("Each new line keeps the start date of "
                                              "the line it replaces.")
                                         : tr("Each line keeps its start date."),
                                 this);
        dates->setObjectName(QStringLiteral("replaceDates"));
        dates->setWordWrap(true);
        column->addWidget(dates);
    }
    // Kept with the change in the database's history.
    auto* reasonRow = new QHBoxLayout;
    auto* reasonLabel = new QLabel(tr("&Reason (optional):"), this);
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("replaceReason"));
    reasonLabel->setBuddy(m_reason);
    reasonRow->addWidget(reasonLabel);
    reasonRow->addWidget(m_reason, 1);
    column->addLayout(reasonRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    resize(720, 420);
    update();
}

QString ReplaceDialog::reason() const {
    return m_reason->text().trimmed();
}

std::vector<size_t> ReplaceDialog::ticked() const {
    std::vector<size_t> places;
    for (int at = 0; at < m_lines->topLevelItemCount(); ++at)
        if (m_lines->topLevelItem(at)->checkState(Assembly) == Qt::Checked)
            places.push_back(size_t(at));
    return places;
}

std::optional<double> ReplaceDialog::factor() const {
    if (!m_rule || m_rule->currentIndex() == 0 || m_mode != Mode::Replace)
        return std::nullopt;
    return tree::parseQuantity(m_factor->text());
}

std::optional<tree::QuantityRule> ReplaceDialog::quantityRule() const {
    if (m_mode != Mode::SetQuantity)
        return std::nullopt;
    const std::optional<double> number = tree::parseQuantity(m_factor->text());
    if (!number)
        return std::nullopt;
    return tree::QuantityRule{m_rule->currentIndex() == 1, *number};
}

void ReplaceDialog::setQuantityText(bool multiply, const QString& text) {
    if (m_mode != Mode::SetQuantity)
        return;
    m_rule->setCurrentIndex(multiply ? 1 : 0);
    m_factor->setText(text);
}

std::optional<QVariant> ReplaceDialog::newQuantity(size_t at) const {
    const QVariant& stored = m_uses[at].quantity;
    if (m_mode == Mode::SetQuantity) {
        const auto rule = quantityRule();
        if (!rule)
            return std::nullopt;
        return tree::ruledQuantity(stored, *rule);
    }
    if (!m_rule || m_rule->currentIndex() == 0)
        return stored;
    const std::optional<double> by = factor();
    if (!by)
        return std::nullopt;
    return tree::scaledQuantity(stored, by);
}

void ReplaceDialog::setTicked(size_t at, bool ticked) {
    QTreeWidgetItem* item = m_lines->topLevelItem(int(at));
    if (item && item->flags().testFlag(Qt::ItemIsUserCheckable))
        item->setCheckState(Assembly, ticked ? Qt::Checked : Qt::Unchecked);
}

void ReplaceDialog::setFactorText(const QString& text) {
    if (!m_rule)
        return;
    m_rule->setCurrentIndex(text.isEmpty() ? 0 : 1);
    if (!text.isEmpty())
        m_factor->setText(text);
}

void ReplaceDialog::update() {
    // OK writes something: at least one line ticked, and a new quantity that is a number and
    // finite wherever one was (1e308 times 2 is none: such a line would be refused as a typed
    // one is); a value set must be a finite number itself.
    const bool setQuantity = m_mode == Mode::SetQuantity;
    bool factorRead = true;
    std::vector<bool> overflows(m_uses.size(), false);
    std::vector<QVariant> made(m_uses.size());
    for (size_t at = 0; m_mode != Mode::Remove && at < m_uses.size(); ++at) {
        const std::optional<QVariant> quantity = newQuantity(at);
        if (!quantity) {
            factorRead = false;
            break;
        }
        made[at] = *quantity;
        const bool valueSet = setQuantity && m_rule->currentIndex() == 0;
        overflows[at] = (valueSet || store::isWritableQuantity(m_uses[at].quantity)) &&
                        !store::isWritableQuantity(*quantity);
    }
    const bool overflow = std::find(overflows.cbegin(), overflows.cend(), true) != overflows.cend();
    const size_t tickedCount = ticked().size();
    m_ok->setEnabled(factorRead && !overflow && tickedCount > 0);
    if (setQuantity)
        m_heading->setText(
            tr("Set the quantity of %1 in %Ln assembly/assemblies", nullptr, int(tickedCount))
                .arg(m_old));
    if (m_mode == Mode::Remove)
        return;
    const QSignalBlocker quiet(m_lines);
    for (int at = 0; at < m_lines->topLevelItemCount(); ++at) {
        QTreeWidgetItem* item = m_lines->topLevelItem(at);
        const bool tooLarge = overflows[size_t(at)];
        item->setText(NewQuantity, tooLarge     ? tr("not a finite number")
                                   : factorRead ? shownQuantity(made[size_t(at)])
                                                : QString());
        item->setForeground(NewQuantity, tooLarge ? QBrush(tree::ProblemColour) : QBrush());
    }
}

QStringList ReplaceDialog::assemblies() const {
    QStringList listed;
    for (const store::LineRow& use : m_uses)
        listed.append(use.assembly);
    return listed;
}

void ReplaceDialog::noteChange(const QString& text) { showChangeNote(*m_changeNote, text); }

} // namespace shell
