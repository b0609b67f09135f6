#include "info/InfoWindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QTextBrowser>

// Resources of a static library are registered by name, outside any namespace.
static void registerInfoResources() { Q_INIT_RESOURCE(info); }

namespace info {

namespace {

/// The document in the language of the default locale where one is kept for it (the
/// resources' own choice by language), else the English one.
QString resourceText(const QString& name) {
    registerInfoResources();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QTextBrowser* document(const QString& html) {
    auto* box = new QTextBrowser;
    box->setObjectName(QStringLiteral("RichTextBox1"));
    box->setReadOnly(true);
    box->setOpenLinks(false);
    // The text reflows with the window.
    box->setLineWrapMode(QTextEdit::WidgetWidth);
    box->setHtml(html);
    return box;
}

QWidget* bringUp(QPointer<QWidget>& slot, QWidget* (*create)()) {
    if (!slot)
        slot = create();
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

/// A top-level window of its own with `content` above a Close button, discarded when the
/// user closes it (Esc too). Sizes in twips, 15 to a pixel at 96 dpi.
QWidget* newWindow(const QString& name, const QString& caption, int widthTwips, int heightTwips,
                   QWidget* picture, QTextBrowser* content) {
    auto* window = new QDialog(nullptr, Qt::Window);
    window->setObjectName(name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setModal(false);
    window->setWindowTitle(caption);
    auto* layout = new QGridLayout(window);
    if (picture)
        layout->addWidget(picture, 0, 0, Qt::AlignTop);
    layout->addWidget(content, 0, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->setObjectName(QStringLiteral("closeButtons"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
    layout->addWidget(buttons, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    window->resize(widthTwips / 15 + 24, heightTwips / 15 + buttons->sizeHint().height() + 24);
    return window;
}

QWidget* createAbout() {
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    QString html = aboutDocument();
    // The version of this build, from the project's own number.
    html.replace(QStringLiteral("</body>"),
                 QStringLiteral("<p>%1</p></body>")
                     .arg(QCoreApplication::translate("info", "Version %1")
                              .arg(QStringLiteral(BOM_EDITOR_VERSION))
                              .toHtmlEscaped()));
    return newWindow(QStringLiteral("about"), QCoreApplication::translate("info", "About"), 7770,
                     2040, picture, document(html));
}

QWidget* createOperationNotes() {
    return newWindow(QStringLiteral("opernote"),
                     QCoreApplication::translate("info", "Operation Notes"), 8730, 5940, nullptr,
                     document(operationNotesDocument()));
}

} // namespace

InfoWindows::~InfoWindows() {
    delete m_about;
    delete m_operationNotes;
    delete m_shortcuts;
}

QWidget* InfoWindows::showShortcuts(const QList<Shortcut>& shortcuts) {
    const QString html = shortcutsDocument(shortcuts);
    if (m_shortcuts) {
        if (auto* text = m_shortcuts->findChild<QTextBrowser*>())
            text->setHtml(html);
    } else {
        m_shortcuts = newWindow(QStringLiteral("shortcuts"),
                                QCoreApplication::translate("info", "Keyboard Shortcuts"), 8730,
                                5940, nullptr, document(html));
    }
    m_shortcuts->show();
    m_shortcuts->raise();
    m_shortcuts->activateWindow();
    return m_shortcuts;
}

QString shortcutsDocument(const QList<Shortcut>& shortcuts) {
    QString html = QStringLiteral("<html><body><table cellpadding=\"3\">"
                                  "<tr><th align=\"left\">%1</th><th align=\"left\">%2</th></tr>")
                       .arg(QCoreApplication::translate("info", "Keys").toHtmlEscaped(),
                            QCoreApplication::translate("info", "Command").toHtmlEscaped());
    for (const Shortcut& shortcut : shortcuts)
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(shortcut.keys.toHtmlEscaped(), shortcut.what.toHtmlEscaped());
    return html + QStringLiteral("</table></body></html>");
}

QWidget* InfoWindows::showAbout() { return bringUp(m_about, &createAbout); }

QWidget* InfoWindows::showOperationNotes() {
    return bringUp(m_operationNotes, &createOperationNotes);
}

QString aboutDocument() { return resourceText(QStringLiteral(":/info/about.html")); }

QString operationNotesDocument() {
    return resourceText(QStringLiteral(":/info/operation-notes.html"));
}

} // namespace info
