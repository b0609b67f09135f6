#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace info {

/// One line of the Keyboard Shortcuts window: the keys, and what they do where.
struct Shortcut {
    QString keys;
    QString what;
};

/// The About and Operation Notes windows: modeless, created on first use, brought to the
/// front when asked for again, discarded when the user closes them.
class InfoWindows {
public:
    InfoWindows() = default;
    ~InfoWindows();
    InfoWindows(const InfoWindows&) = delete;
    InfoWindows& operator=(const InfoWindows&) = delete;

    QWidget* showAbout();
    QWidget* showOperationNotes();
    /// The Keyboard Shortcuts window, showing `shortcuts` (filled anew each time).
    QWidget* showShortcuts(const QList<Shortcut>& shortcuts);

private:
    QPointer<QWidget> m_about;
    QPointer<QWidget> m_operationNotes;
    QPointer<QWidget> m_shortcuts;
};

/// The documents, as Qt rich text.
QString aboutDocument();
QString operationNotesDocument();
/// The Keyboard Shortcuts window's document: a table of `shortcuts`, keys and texts escaped.
QString shortcutsDocument(const QList<Shortcut>& shortcuts);

} // namespace info
