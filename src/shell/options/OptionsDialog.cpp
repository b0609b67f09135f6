#include "shell/options/OptionsDialog.h"

#include "store/WholeUnits.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

OptionsDialog::OptionsDialog(const QStringList& wholeUnits, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Options"));
    auto* label = new QLabel(QStringLiteral("&Units counted in whole pieces:"), this);
    m_units = new QLineEdit(wholeUnits.join(QStringLiteral(", ")), this);
    m_units->setObjectName(QStringLiteral("optionsWholeUnits"));
    m_units->setAccessibleName(QStringLiteral("Units counted in whole pieces"));
    label->setBuddy(m_units);
    auto* note = new QLabel(
        QStringLiteral("Commas between the units; case does not matter. A line with a fraction "
                       "of one of these units is marked in the tree, reported by Check Database, "
                       "and asked about before it is written."),
        this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* defaults =
        buttons->addButton(QStringLiteral("&Defaults"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("optionsDefaults"));
    connect(defaults, &QPushButton::clicked, this, [this] {
        m_units->setText(store::WholeUnits::defaults().join(QStringLiteral(", ")));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* column = new QVBoxLayout(this);
    column->addWidget(label);
    column->addWidget(m_units);
    column->addWidget(note);
    column->addStretch(1);
    column->addWidget(buttons);
    resize(460, 180);
}

QStringList OptionsDialog::wholeUnits() const { return store::WholeUnits::parse(m_units->text()); }

} // namespace shell
