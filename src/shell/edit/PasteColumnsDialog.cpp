#include "shell/edit/PasteColumnsDialog.h"

#include "desktop/Desktop.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

PasteColumnsDialog::PasteColumnsDialog(const QStringList& header, QWidget* parent)
    : QDialog(parent), m_id(new QComboBox(this)), m_quantity(new QComboBox(this)) {
    setObjectName(QStringLiteral("PasteColumns"));
    setWindowTitle(tr("Paste Lines"));
    auto* question =
        new QLabel(tr("The pasted rows have a header the editor does not know. Which column "
                      "holds the item ID, and which the quantity? The answer is remembered "
                      "for this header."),
                   this);
    question->setWordWrap(true);
    m_id->setObjectName(QStringLiteral("IdColumn"));
    m_quantity->setObjectName(QStringLiteral("QuantityColumn"));
    for (qsizetype i = 0; i < header.size(); ++i) {
        // The column's letter as a spreadsheet names it, and its header as pasted.
        const QString name = i < 26 ? QString(QChar(u'A' + int(i))) : QString::number(i + 1);
        const QString shown = QStringLiteral("%1: %2").arg(name, header[i].trimmed());
        m_id->addItem(shown);
        m_quantity->addItem(shown);
    }
    // The names the editor knows, where the header has one of them; else the first two.
    const tree::PasteColumns named = tree::namedColumns(header);
    m_id->setCurrentIndex(named.id >= 0 ? named.id : 0);
    m_quantity->setCurrentIndex(named.quantity >= 0 ? named.quantity
                                                    : (m_id->currentIndex() == 0 ? 1 : 0));
    auto* form = new QFormLayout;
    form->addRow(tr("&Item ID:"), m_id);
    form->addRow(tr("&Quantity:"), m_quantity);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    const auto follow = [this, ok] { ok->setEnabled(m_id->currentIndex() != m_quantity->currentIndex()); };
    connect(m_id, &QComboBox::currentIndexChanged, this, follow);
    connect(m_quantity, &QComboBox::currentIndexChanged, this, follow);
    follow();
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_id->currentIndex() != m_quantity->currentIndex())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Room for the question on a few lines, and for long headers in the lists.
    resize(std::max(sizeHint().width(), fontMetrics().averageCharWidth() * 60), sizeHint().height());
}

tree::PasteColumns PasteColumnsDialog::chosen() const {
    return {m_id->currentIndex(), m_quantity->currentIndex()};
}

QString pasteHeaderKey(const QStringList& header) {
    // A JSON array: each field whole and quoted, so that fields holding tabs, quotes or
    // blanks never read as other fields.
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(header)).toJson(QJsonDocument::Compact));
}

std::optional<tree::PasteColumns> askPasteColumns(desktop::Desktop& desktop, QSettings& settings,
                                                  QWidget* parent, const QStringList& header) {
    // The answer for a header is kept with the window's settings: the next paste of the same
    // columns, from the same spreadsheet or system, asks nothing.
    static const QString PasteColumnsKey = QStringLiteral("paste/headerColumns");
    const QString key = pasteHeaderKey(header);
    QVariantMap known = settings.value(PasteColumnsKey).toMap();
    const QVariantList kept = known.value(key).toList();
    if (kept.size() == 2) {
        const tree::PasteColumns columns{kept[0].toInt(), kept[1].toInt()};
        if (columns.id >= 0 && columns.quantity >= 0 && columns.id < header.size() &&
            columns.quantity < header.size() && columns.id != columns.quantity)
            return columns;
    }
    PasteColumnsDialog ask(header, parent);
    if (desktop.runDialog(ask) != QDialog::Accepted)
        return std::nullopt;
    const tree::PasteColumns chosen = ask.chosen();
    known.insert(key, QVariantList{chosen.id, chosen.quantity});
    settings.setValue(PasteColumnsKey, known);
    return chosen;
}

} // namespace shell
