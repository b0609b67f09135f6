#include "info/InfoWindows.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QStyle>
#include <QTextBrowser>

// Resources of a static library are registered by name, outside any namespace.
static void registerInfoResources() { Q_INIT_RESOURCE(info); }

namespace info {

namespace {

QString resourceText(const QString& name) {
    registerInfoResources();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QTextBrowser* document(QWidget* window, const QString& html, const QRect& geometry) {
    auto* box = new QTextBrowser(window);
    box->setObjectName(QStringLiteral("RichTextBox1"));
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setOpenLinks(false);
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

// Sizes in twips, 15 to a pixel.
/// A top-level window of its own, discarded when the user closes it.
QWidget* newWindow(const QString& name, const QString& caption, int widthTwips, int heightTwips) {
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(caption);
    window->resize(widthTwips / 15, heightTwips / 15);
    return window;
}

QWidget* createAbout() {
    QWidget* window = newWindow(QStringLiteral("about"), QStringLiteral("About"), 7770, 2040);
    auto* picture = new QLabel(window);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setGeometry(0, 120 / 15, 480 / 15 + 16, 480 / 15);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    document(window, aboutDocument(), QRect(720 / 15, 120 / 15, 6615 / 15, 1935 / 15 - 16));
    return window;
}

QWidget* createOperationNotes() {
    QWidget* window = newWindow(QStringLiteral("opernote"), QStringLiteral("Operation Notes"),
                                8730, 5940);
    document(window, operationNotesDocument(), QRect(120 / 15, 120 / 15, 8535 / 15 - 8, 5655 / 15));
    return window;
}

} // namespace

InfoWindows::~InfoWindows() {
    delete m_about;
    delete m_operationNotes;
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
