#pragma once

#include "desktop/QtDesktop.h"

#include <QList>
#include <QPageRanges>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <optional>

/// The desktop services with every dialog answered from a script, and each question recorded
/// with its title, text and style. The keystroke queue and the event pump are the real ones.
class ScriptedDesktop : public desktop::QtDesktop {
public:
    struct Question {
        QString kind; // "message", "input", "form", "file", "save", "print", "preview", "dialog" or "progress"
        QString text;
        QString title;
        desktop::MessageStyle style;
        QString defaultText;
        QString informative = {}; // a message box's second line
        QStringList buttons = {}; // a choice box's button captions
    };

    QList<Question> asked;
    QList<int> messageAnswers;                 // unanswered boxes return OK
    QList<std::optional<QString>> inputAnswers; // unanswered input boxes are cancelled
    QList<std::optional<QStringList>> formAnswers; // unanswered form boxes are cancelled
    QList<QList<desktop::FormField>> formsShown;    // the fields of each form box, as offered
    QList<std::optional<QString>> fileAnswers;  // unanswered file dialogs are cancelled
    QList<std::optional<QString>> saveAnswers;  // unanswered save dialogs are cancelled
    // Each works the dialog shown as a user would (types, picks, ticks; its controls found by
    // object name) and returns how it was closed; unanswered dialogs are rejected, as Esc
    // rejects them.
    QList<std::function<int(QDialog&)>> dialogAnswers;
    QList<bool> printAnswers;                   // true: print; unanswered dialogs are cancelled
    QString printTarget;                        // the PDF file chosen; empty: one of its own
    QString printedPdf;                         // the file the last accepted print dialog wrote
    QStringList printChoices;                   // what the last print dialog offered to print
    int printChoice = -1;                       // the choice picked in it; -1: as proposed
    QPageRanges printPages;                     // the range typed in it; none: every page
    int previewPages = 0;                       // the pages the last preview showed
    int cancelProgressAfter = -1;               // progress reports before Cancel; -1: never
    int progressReports = 0;
    std::function<void()> onProcessEvents;      // runs inside the next event pumps
    std::function<void()> onMessage;            // runs while each message box is open
    // Waits for store work off the window's thread run a local event loop, as the real one
    // does, with no busy box. Each is recorded by its label.
    QStringList waitLabels;
    // Asked on every pass of each wait (about every millisecond while it is set): true cancels
    // that wait, once, as its Cancel button would.
    std::function<bool()> cancelWaitWhen;
    // Asks cancelWaitWhen before each wait's first look at its call too: a Cancel pressed the
    // moment a call starts, however soon it ends.
    bool cancelBeforeFirstLook = false;
    int cancelledWaits = 0;
    int busyDepth = 0;
    int maxBusyDepth = 0;
    int pumps = 0;

    int messageBox(const QString& text, desktop::MessageStyle style, const QString& title = {},
                   const QString& informative = {}) override;
    int choiceBox(const QString& text, desktop::MessageStyle style, const QString& title,
                  const QStringList& captions) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QStringList> formBox(const QString& title, const QString& prompt,
                                       const QList<desktop::FormField>& fields) override;
    std::optional<QString> openFile(const QString& title, const QStringList& filters = {}) override;
    std::optional<QString> saveFile(const QString& title, const QString& proposed,
                                    const QStringList& filters) override;
    /// Prints to printTarget, or a new PDF file in a folder of the desktop's own, as choosing
    /// "Print to File" in the real dialog does; its progress is a scripted one. The proposed
    /// file is recorded as the question's defaultText.
    desktop::PrintOutcome print(const QString& title, desktop::PagedDocument& document,
                                const QString& pdfPath) override;
    /// Lays the pages out as the preview would (previewPages), then answers as print() does;
    /// recorded as "preview".
    desktop::PrintOutcome printPreview(const QString& title, desktop::PagedDocument& document,
                                       const QString& pdfPath) override;
    /// Recorded as "dialog", with the dialog's object name as text and its title.
    int runDialog(QDialog& dialog) override;
    std::unique_ptr<desktop::Progress> startProgress(const QString& label,
                                                     const QString& title) override;
    void processEvents() override;
    void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                 const QString& label) override;
    void setBusyPointer(bool busy) override;
    /// Recorded in recentFiles; the user's own list is never written by a test.
    void noteRecentFile(const QString& path) override { recentFiles.append(path); }
    QStringList recentFiles;
    /// Recorded in foldersShown; no file manager starts.
    void showFolder(const QString& path) override { foldersShown.append(path); }
    QStringList foldersShown;

    QList<Question> messages() const;
    /// The texts of every message box, in order.
    QStringList messageTexts() const;

private:
    QTemporaryDir m_printFolder;
};
