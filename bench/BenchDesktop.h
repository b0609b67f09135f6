#pragma once

#include "desktop/QtDesktop.h"

#include <QPageRanges>
#include <QString>
#include <QStringList>

#include <functional>

namespace bench {

/// The desktop services of every benchmark group: each dialog answered at once, as a user who
/// has made up their mind, each message kept; no busy pointer. The keystroke queue, the event
/// pump and the waits for store work off the window's thread are the real ones, so that what
/// a case measures is the window's own work.
class BenchDesktop : public desktop::QtDesktop {
public:
    /// What every message box answers; its text is kept in `messages`.
    int messageAnswer = desktop::ResultOk;
    QStringList messages;
    /// Set to a group's name where any message is a fault of the case: the benchmark stops,
    /// naming the group and the message.
    const char* messagesStop = nullptr;
    QString inputAnswer = QStringLiteral("1");
    QString fileAnswer; ///< the file every Open dialog chooses
    QString saveAnswer; ///< the file every Save dialog chooses, and the PDF a print writes
    /// Answers a dialog the window runs (a preview); unset, the dialog runs as it does for a
    /// user.
    std::function<int(QDialog&)> dialogAnswer;
    /// What the print dialog picks: the document (-1: as proposed) and the pages (none: all).
    int printChoice = -1;
    QPageRanges printPages;
    /// The last print's outcome.
    desktop::PrintOutcome lastPrint;

    int messageBox(const QString& text, desktop::MessageStyle, const QString&,
                   const QString&) override;
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override;
    std::optional<QString> openFile(const QString&, const QStringList&) override;
    std::optional<QString> saveFile(const QString&, const QString&, const QStringList&) override;
    /// Prints to the PDF file saveAnswer names, on the page the print dialog proposes.
    desktop::PrintOutcome print(const QString& title, desktop::PagedDocument& document,
                                const QString&) override;
    int runDialog(QDialog& dialog) override;
    void setBusyPointer(bool) override {}
};

} // namespace bench
