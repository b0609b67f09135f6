#pragma once

#include <QPointer>
#include <QWidget>

namespace info {

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

private:
    QPointer<QWidget> m_about;
    QPointer<QWidget> m_operationNotes;
};

/// The documents, as Qt rich text.
QString aboutDocument();
QString operationNotesDocument();

} // namespace info
