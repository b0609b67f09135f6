#include "shell/options/OptionsDialog.h"

#include "store/WholeUnits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

OptionsDialog::OptionsDialog(const QStringList& wholeUnits, QWidget* parent,
                             const QString& language, const QStringList& languages)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(tr("Options"));
    auto* label = new QLabel(tr("&Units counted in whole pieces:"), this);
    m_units = new QLineEdit(wholeUnits.join(QStringLiteral(", ")), this);
    m_units->setObjectName(QStringLiteral("optionsWholeUnits"));
    m_units->setAccessibleName(tr("Units counted in whole pieces"));
    label->setBuddy(m_units);
    auto* note =
        new QLabel(tr("Commas between the units; case does not matter. A line with a fraction "
                      "of one of these units is marked in the tree, reported by Check Database, "
                      "and asked about before it is written."),
                   this);
    note->setWordWrap(true);
    // Each language by its own name, as a user who reads only that one finds it.
    auto* languageLabel = new QLabel(tr("&Language:"), this);
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("optionsLanguage"));
    m_language->addItem(tr("The system's"), QString());
    m_language->addItem(QStringLiteral("English"), QStringLiteral("en"));
    for (const QString& code : languages)
        if (code != QLatin1StringView("en"))
            m_language->addItem(QLocale(code).nativeLanguageName(), code);
    // A language set by hand whose catalogue is not installed stays chosen, as set.
    if (m_language->findData(language) < 0)
        m_language->addItem(language, language);
    m_language->setCurrentIndex(m_language->findData(language));
    languageLabel->setBuddy(m_language);
    auto* languageNote =
        new QLabel(tr("The window shows the language chosen from its next start."), this);
    languageNote->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* defaults = buttons->addButton(tr("&Defaults"), QDialogButtonBox::ResetRole);
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
    column->addSpacing(column->spacing() * 2);
    column->addWidget(languageLabel);
    column->addWidget(m_language);
    column->addWidget(languageNote);
    column->addStretch(1);
    column->addWidget(buttons);
    resize(460, 260);
}

QStringList OptionsDialog::wholeUnits() const { return store::WholeUnits::parse(m_units->text()); }

QString OptionsDialog::language() const {
    return m_language->currentData().toString();
}

} // namespace shell
