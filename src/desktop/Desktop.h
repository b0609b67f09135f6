#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include <optional>

class QDialog;
class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace desktop {

/// What a message box offers: one set of buttons, and an icon or none.
enum MessageFlag {
    OkOnly = 0,
    OkCancel = 1,
    YesNoCancel = 3,
    YesNo = 4,
    IconStop = 16,
    IconQuestion = 32,
};
Q_DECLARE_FLAGS(MessageStyle, MessageFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(MessageStyle)

/// The buttons of a style, without its icon.
inline MessageFlag buttonsOf(MessageStyle style) {
    return MessageFlag(style.toInt() & (YesNoCancel | YesNo));
}

/// The button a message box was closed with.
enum MessageResult : int {
    ResultOk = 1,
    ResultCancel = 2,
    ResultYes = 6,
    ResultNo = 7,
};

/// How long work runs before its busy box with Cancel shows.
inline constexpr int BusyDelayMs = 300;

/// Title of the database chooser.
inline const QString FileDialogTitle = QStringLiteral("Select Database File");

/// Title of every message box that gives none of its own (the trailing space is part of it).
inline const QString ApplicationTitle = QStringLiteral("Fabrilux Bill of Material ");

/// How a print dialog ended.
enum class PrintResult {
    Printed,   ///< the document went to the printer (or the file) chosen
    Cancelled, ///< the user closed the dialog, or stopped the print, and nothing was printed
    Failed,    ///< the printer or the file could not be written
};

/// What a print did, and why it failed when it did.
struct PrintOutcome {
    PrintResult result = PrintResult::Cancelled;
    QString cause; ///< why it failed, in the system's own words where it gave any
    QString file;  ///< the PDF file written or refused; empty for a printer
    int pages = 0; ///< the pages printed
};

/// A document printed page by page: laid out for the pages of the device it goes to, then
/// painted one page at a time, so that a long one is never laid out whole.
class PagedDocument {
public:
    virtual ~PagedDocument() = default;
    /// Lays the document out for the pages of `device`; returns how many it takes (at least 1).
    virtual int paginate(QPagedPaintDevice& device) = 0;
    /// Paints page `page` (from 1) with `painter`, active on the device last paginated for.
    virtual void paintPage(QPainter& painter, int page) = 0;
    /// What the document is, as a PDF file's title and a print job's name carry it; empty:
    /// the print dialog's title stands for it.
    virtual QString title() const { return {}; }
};

/// One field of a form box: its label (with an & before the letter of its shortcut), the value
/// it starts with, and whether what is typed is hidden (a password). A `check` field is a
/// check box, its value "1" when ticked and empty when not.
struct FormField {
    QString label;
    QString value;
    bool secret = false;
    bool check = false;
};

/// The progress of long work, shown with a Cancel button once the work has lasted longer than
/// a moment, and closed when this object goes.
class Progress {
public:
    virtual ~Progress() = default;
    /// Reports how far the work is; false once the user has cancelled it.
    virtual bool advance(qint64 done, qint64 total) = 0;
};

/// Everything that waits on a person or reaches outside the program: dialogs, the keystroke
/// queue, the event pump and the pointer. The real one calls Qt; tests script the answers.
class Desktop {
public:
    virtual ~Desktop() = default;

    /// A modal message box; an empty title shows ApplicationTitle. Returns a MessageResult;
    /// Esc gives Cancel where the box has a Cancel button; on a Yes/No box, Esc and closing the
    /// box give Cancel too (neither answer was chosen); a Yes/No/Cancel box offers Cancel.
    /// `informative`, when given, is a second line under the text that says what exactly the
    /// answer acts on.
    virtual int messageBox(const QString& text, MessageStyle style, const QString& title = {},
                           const QString& informative = {}) = 0;
    /// A message box as messageBox, whose buttons say what each does: `captions` name the
    /// style's buttons in their order (Yes, No, Cancel), "Add Here" rather than "Yes". It
    /// answers as messageBox does; a desktop that cannot name them shows the plain ones.
    virtual int choiceBox(const QString& text, MessageStyle style, const QString& title,
                          const QStringList& captions) {
        Q_UNUSED(captions);
        return messageBox(text, style, title);
    }
    /// A modal input box; an empty optional when the user cancelled.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    /// A modal box of several labelled fields, with OK and Cancel: the values as typed, in the
    /// order of `fields`, or an empty optional when the user cancelled (Esc included).
    virtual std::optional<QStringList> formBox(const QString& title, const QString& prompt,
                                               const QList<FormField>& fields) = 0;
    /// The modal file-open dialog: the chosen full path, or an empty optional on Cancel.
    /// `filters` are name filters ("CSV files (*.csv)"); none: the database files.
    virtual std::optional<QString> openFile(const QString& title,
                                            const QStringList& filters = {}) = 0;
    /// The modal file-save dialog, proposing `proposed`; it asks before an existing file is
    /// replaced. The chosen full path, or an empty optional on Cancel.
    virtual std::optional<QString> saveFile(const QString& title, const QString& proposed,
                                            const QStringList& filters) = 0;
    /// The modal print dialog, titled `title`; prints `document` where the user chooses (a
    /// printer, or a PDF file, proposed as `pdfPath`), with the progress shown. A PDF file
    /// appears, or replaces the one there, only once it is whole. A document that is a
    /// PrintChoices is offered by its choices (the one chosen proposed), and the one picked
    /// prints; the dialog's page range prints those pages only.
    virtual PrintOutcome print(const QString& title, PagedDocument& document,
                               const QString& pdfPath) = 0;
    /// The modal print preview of `document`: laid out once, each page painted when it is
    /// shown; a PrintChoices shows the choice its Show box picks. Its Print… prints through
    /// print(); the outcome is that print's, or
    /// Cancelled when the preview closed without one.
    virtual PrintOutcome printPreview(const QString& title, PagedDocument& document,
                                      const QString& pdfPath) = 0;
    /// Runs a modal dialog that the caller built (a list to tick, an item to pick, a preview)
    /// until the user closes it, and returns how it ended: QDialog::Accepted, or
    /// QDialog::Rejected for Cancel, Esc and closing it.
    virtual int runDialog(QDialog& dialog) = 0;
    /// Starts showing the progress of long work.
    virtual std::unique_ptr<Progress> startProgress(const QString& label, const QString& title) = 0;
    /// Queues one Enter keystroke for `target` and returns before it is handled.
    virtual void queueEnter(QWidget* target) = 0;
    /// Lets pending window events run once.
    virtual void processEvents() = 0;
    /// Waits until `finished()` is true (work running on another thread), asking it after
    /// every event. The window keeps painting; for the first moment (BusyDelayMs) nothing the
    /// user does is taken, then a modal busy box names the work (`label`; "Working…" when
    /// empty) and offers Cancel (Esc too), which calls `cancel` once and waits on until the
    /// work has ended.
    virtual void waitFor(const std::function<bool()>& finished,
                         const std::function<void()>& cancel, const QString& label) = 0;
    /// Shows the busy pointer (true) or the default one (false), application-wide.
    virtual void setBusyPointer(bool busy) = 0;
    /// Tells the desktop that the user opened the database file `path` (a full path), so that
    /// its file dialogs and launchers offer it among their recent files.
    virtual void noteRecentFile(const QString& path) { Q_UNUSED(path); }
    /// Opens the folder `path` in the desktop's file manager.
    virtual void showFolder(const QString& path) { Q_UNUSED(path); }
};

/// Shows the busy pointer for as long as it lives.
class BusyPointer {
public:
    explicit BusyPointer(Desktop& desktop) : m_desktop(desktop) { m_desktop.setBusyPointer(true); }
    ~BusyPointer() { m_desktop.setBusyPointer(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Desktop& m_desktop;
};

} // namespace desktop
