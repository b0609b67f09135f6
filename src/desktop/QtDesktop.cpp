#include "desktop/QtDesktop.h"

#include "desktop/PagedPrint.h"
#include "desktop/PrintChoices.h"
#include "desktop/PrintPreview.h"
#include "desktop/RecentlyUsed.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPageRanges>
#include <QButtonGroup>
#include <QCheckBox>
#include <QPrintDialog>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace desktop {

namespace {

/// While a dialog waits for the user, the pointer over it is the ordinary one, even in the
/// middle of a long operation that shows the busy pointer.
class NormalPointer {
public:
    explicit NormalPointer(bool busy) : m_busy(busy) {
        if (m_busy)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalPointer() {
        if (m_busy)
            QApplication::restoreOverrideCursor();
    }
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;

private:
    bool m_busy;
};

/// A message box that tells Esc and its close button apart from its buttons, so that a Yes/No
/// question can be left undecided.
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool undecidable = false; ///< Esc and the close button leave the question unanswered
    bool escaped = false;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && undecidable) {
            escaped = true;
            QDialog::reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (undecidable) {
            escaped = true;
            QDialog::closeEvent(event);
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

} // namespace

int QtDesktop::messageBox(const QString& text, MessageStyle style, const QString& title,
                          const QString& informative) {
    return showMessage(text, style, title, informative, {});
}

int QtDesktop::choiceBox(const QString& text, MessageStyle style, const QString& title,
                         const QStringList& captions) {
    return showMessage(text, style, title, {}, captions);
}

int QtDesktop::showMessage(const QString& text, MessageStyle style, const QString& title,
                           const QString& informative, const QStringList& captions) {
    MessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? ApplicationTitle : title);
    box.setText(text);
    // Item IDs are text, never markup.
    box.setTextFormat(Qt::PlainText);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    switch (buttonsOf(style)) {
    case OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        // Esc and the close button answer neither Yes nor No.
        box.undecidable = true;
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // The buttons keep their roles (Esc, Enter, the answer given back); only what they say
    // changes, in the order the style lists them.
    QList<QMessageBox::StandardButton> order{QMessageBox::Yes, QMessageBox::No,
                                             QMessageBox::Cancel};
    if (buttonsOf(style) == OkCancel || buttonsOf(style) == OkOnly)
        order = {QMessageBox::Ok, QMessageBox::Cancel};
    for (qsizetype i = 0; i < captions.size() && i < order.size(); ++i)
        if (QAbstractButton* named = box.button(order[i]))
            named->setText(captions[i]);
    if (style.testFlag(IconStop))
        box.setIcon(QMessageBox::Critical);
    else if (style.testFlag(IconQuestion))
        box.setIcon(QMessageBox::Question);
    const NormalPointer pointer(m_busyDepth > 0);
    const int pressed = box.exec();
    if (box.escaped)
        return ResultCancel;
    switch (pressed) {
    case QMessageBox::Cancel:
        return ResultCancel;
    case QMessageBox::Yes:
        return ResultYes;
    case QMessageBox::No:
        return ResultNo;
    default:
        return ResultOk;
    }
}

std::optional<QString> QtDesktop::inputBox(const QString& prompt, const QString& title,
                                           const QString& defaultText) {
    const NormalPointer pointer(m_busyDepth > 0);
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    // A prompt that names items shows their IDs as text, never as markup.
    if (auto* label = box.findChild<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::optional<QStringList> QtDesktop::formBox(const QString& title, const QString& prompt,
                                             const QList<FormField>& fields) {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    auto* layout = new QFormLayout(&dialog);
    if (!prompt.isEmpty()) {
        auto* text = new QLabel(prompt, &dialog);
        text->setWordWrap(true);
        layout->addRow(text);
    }
    QList<QWidget*> edits;
    for (const FormField& field : fields) {
        if (field.check) {
            auto* box = new QCheckBox(field.label, &dialog);
            box->setChecked(!field.value.isEmpty());
            layout->addRow(box);
            edits.append(box);
            continue;
        }
        auto* edit = new QLineEdit(field.value, &dialog);
        if (field.secret)
            edit->setEchoMode(QLineEdit::Password);
        // The label's text without its shortcut mark names the field for screen readers.
        edit->setAccessibleName(QString(field.label).remove(QLatin1Char('&')));
        auto* label = new QLabel(field.label, &dialog);
        label->setBuddy(edit);
        layout->addRow(label, edit);
        edits.append(edit);
    }
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 60);
    const NormalPointer pointer(m_busyDepth > 0);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QStringList values;
    for (const QWidget* edit : edits)
        if (const auto* box = qobject_cast<const QCheckBox*>(edit))
            values.append(box->isChecked() ? QStringLiteral("1") : QString());
        else
            values.append(static_cast<const QLineEdit*>(edit)->text());
    return values;
}

std::optional<QString> QtDesktop::openFile(const QString& title, const QStringList& filters) {
    // No option flags: a typed name of a file that does not exist is accepted, and the open
    // that follows reports it.
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(
        filters.isEmpty()
            ? QStringList{QCoreApplication::translate(
                              "desktop", "Fabrilux databases (*.mdb *.db *.sqlite *.sqlite3)"),
                          QCoreApplication::translate("desktop", "All files (*)")}
            : filters);
    const NormalPointer pointer(m_busyDepth > 0);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDesktop::saveFile(const QString& title, const QString& proposed,
                                           const QStringList& filters) {
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectFile(proposed);
    const NormalPointer pointer(m_busyDepth > 0);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

PrintOutcome QtDesktop::print(const QString& title, PagedDocument& document,
                              const QString& pdfPath) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    // The dialog proposes this file when it is to print to a PDF file.
    if (!pdfPath.isEmpty())
        printer.setOutputFileName(pdfPath);
    QPrintDialog dialog(&printer, QApplication::activeWindow());
    dialog.setWindowTitle(title);
    // What to print and which pages, on a tab of the editor's own beside Qt's page range and
    // copies. Qt's dialog offers its page list ("2-4,9") for a printer only, never for "Print
    // to File (PDF)": the editor's list serves both.
    auto* choices = dynamic_cast<PrintChoices*>(&document);
    QButtonGroup kinds;
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("printWhat"));
    tab->setWindowTitle(choices ? QCoreApplication::translate("desktop", "What to Print")
                                : QCoreApplication::translate("desktop", "Page List"));
    auto* column = new QVBoxLayout(tab);
    if (choices) {
        const QStringList names = choices->names();
        for (int i = 0; i < names.size(); ++i) {
            auto* button = new QRadioButton(names[i], tab);
            button->setObjectName(QStringLiteral("printChoice%1").arg(i));
            button->setChecked(i == choices->chosen());
            kinds.addButton(button, i);
            column->addWidget(button);
        }
        column->addSpacing(column->spacing() * 2);
    }
    auto* pageLabel = new QLabel(QCoreApplication::translate("desktop", "Page &list:"), tab);
    auto* pageList = new QLineEdit(tab);
    pageList->setObjectName(QStringLiteral("printPageList"));
    pageList->setPlaceholderText(QCoreApplication::translate("desktop", "for example 2-4,9"));
    pageLabel->setBuddy(pageList);
    auto* pageNote =
        new QLabel(QCoreApplication::translate(
                       "desktop", "Pages and ranges separated by commas, for a printer "
                                  "and for Print to File (PDF) alike. Empty: the "
                                  "print range of the Copies tab."),
                   tab);
    pageNote->setWordWrap(true);
    column->addWidget(pageLabel);
    column->addWidget(pageList);
    column->addWidget(pageNote);
    column->addStretch(1);
    dialog.setOptionTabs({tab});
    // Qt's dialog keeps its tabs behind "Options >>" until asked: the choice shows at once,
    // as the first tab, beside the page range on the next one.
    // The button is found by its caption in the language shown, as Qt's own catalogue gives it.
    static const char* const optionsCaption = "&Options >>";
    const QString options = QCoreApplication::translate("QPrintDialog", optionsCaption);
    for (auto* button : dialog.findChildren<QPushButton*>())
        if (button->text() == options)
            button->click();
    if (auto* tabs = qobject_cast<QTabWidget*>(tab->parentWidget() ? tab->parentWidget()->parentWidget()
                                                                   : nullptr)) {
        tabs->tabBar()->moveTab(tabs->indexOf(tab), 0);
        if (choices)
            tabs->setCurrentWidget(tab);
    }
    for (;;) {
        {
            const NormalPointer pointer(m_busyDepth > 0);
            if (dialog.exec() != QDialog::Accepted)
                return {};
        }
        const QString list = pageList->text().trimmed();
        if (list.isEmpty())
            break;
        // The list, where given, replaces the dialog's own range.
        if (const QPageRanges ranges = QPageRanges::fromString(list); !ranges.isEmpty()) {
            printer.setPageRanges(ranges);
            break;
        }
        messageBox(QCoreApplication::translate(
                       "desktop", "'%1' is not a page list: give pages and ranges separated by "
                                  "commas, for example 2-4,9.")
                       .arg(list),
                   OkOnly);
    }
    // A document that could not be made (its reading cancelled, or a failure already shown)
    // prints nothing.
    if (choices && !choices->choose(kinds.checkedId()))
        return {};
    const auto progress = startProgress(QCoreApplication::translate("desktop", "Printing…"), title);
    return printOn(document, printer, title, progress.get());
}

PrintOutcome QtDesktop::printPreview(const QString& title, PagedDocument& document,
                                     const QString& pdfPath) {
    // The pages are laid out for the page the print dialog proposes, so that the preview shows
    // the pages and the count that a print with its settings as proposed gives.
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    if (!pdfPath.isEmpty())
        printer.setOutputFileName(pdfPath);
    PrintOutcome outcome;
    // Print… prints every page, as File ▸ Print does, with the print dialog and its progress.
    const auto printAll = [&] {
        outcome = print(title, document, pdfPath);
        return outcome.result != PrintResult::Cancelled;
    };
    std::optional<PrintPreviewDialog> dialog;
    {
        // The layout reads the whole bill once; each page is painted as it is shown.
        const BusyPointer busy(*this);
        dialog.emplace(document, printer, printAll, QApplication::activeWindow());
    }
    dialog->setWindowTitle(title);
    const NormalPointer pointer(m_busyDepth > 0);
    dialog->exec();
    return outcome;
}

namespace {

class DialogProgress : public Progress {
public:
    DialogProgress(const QString& label, const QString& title)
        : m_dialog(label, QCoreApplication::translate("desktop", "Cancel"), 0, 1000,
                   QApplication::activeWindow()) {
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        // Work that ends within a moment shows no window at all.
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        m_dialog.setValue(0);
    }
    bool advance(qint64 done, qint64 total) override {
        const int value = total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0;
        // setValue lets a modal progress window's events run, Cancel included.
        m_dialog.setValue(value);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

int QtDesktop::runDialog(QDialog& dialog) {
    const NormalPointer pointer(m_busyDepth > 0);
    return dialog.exec();
}

std::unique_ptr<Progress> QtDesktop::startProgress(const QString& label, const QString& title) {
    return std::make_unique<DialogProgress>(label, title);
}

void QtDesktop::queueEnter(QWidget* target) {
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier,
                                              QStringLiteral("\r")));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier,
                                              QStringLiteral("\r")));
}

void QtDesktop::processEvents() { QCoreApplication::processEvents(); }

namespace {

/// The busy box of a wait: the work's name, a busy bar and Cancel. It stays until the work has
/// ended, Cancel or not, so that nothing else starts meanwhile.
class BusyBox : public QDialog {
public:
    BusyBox(const QString& label, std::function<void()> cancel)
        : QDialog(QApplication::activeWindow()), m_cancel(std::move(cancel)) {
        setWindowTitle(ApplicationTitle);
        setWindowModality(Qt::ApplicationModal);
        setObjectName(QStringLiteral("busyBox"));
        auto* layout = new QVBoxLayout(this);
        m_label = new QLabel(
            label.isEmpty() ? QCoreApplication::translate("desktop", "Working…") : label, this);
        layout->addWidget(m_label);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        layout->addWidget(bar);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        m_button = buttons->button(QDialogButtonBox::Cancel);
        // Keys typed on while the box comes up are meant for the window, not for the box:
        // Return and Space never cancel the work; Esc or a click on Cancel does.
        m_button->setAutoDefault(false);
        m_button->setDefault(false);
        m_button->setFocusPolicy(Qt::NoFocus);
        m_button->setToolTip(QCoreApplication::translate(
            "desktop", "Stops the work; nothing of it is written (Esc)"));
        connect(buttons, &QDialogButtonBox::rejected, this, &BusyBox::reject);
        layout->addWidget(buttons);
        setMinimumWidth(320);
    }
    /// Cancel, Esc and the close button: the work is interrupted; the box waits for its end.
    void reject() override {
        if (m_cancelled)
            return;
        m_cancelled = true;
        m_label->setText(QCoreApplication::translate("desktop", "Cancelling…"));
        m_button->setEnabled(false);
        m_cancel();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        reject();
    }

private:
    std::function<void()> m_cancel;
    QLabel* m_label = nullptr;
    QPushButton* m_button = nullptr;
    bool m_cancelled = false;
};

} // namespace

void QtDesktop::waitFor(const std::function<bool()>& finished,
                        const std::function<void()>& cancel, const QString& label) {
    if (finished())
        return;
    // A timer, so that the loop below looks at the clock when nothing else happens.
    QTimer moment;
    moment.setSingleShot(true);
    // Never early: a coarse timer may fire a little before the moment is over, and the loop
    // below would then wait for an event that may not come before the work ends.
    moment.setTimerType(Qt::PreciseTimer);
    moment.start(BusyDelayMs);
    QElapsedTimer since;
    since.start();
    // The first moment: the window paints, and nothing the user does starts anything.
    while (!finished() && since.elapsed() < BusyDelayMs)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    if (finished())
        return;
    BusyBox box(label, cancel);
    box.show();
    // The box is modal: the window paints and takes no input until the work has ended. Work
    // that shows a progress window of its own (with its own Cancel) shows that one alone.
    while (!finished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const QWidget* const modal = QApplication::activeModalWidget();
        const bool other = modal && modal != &box;
        if (other && box.isVisible())
            box.hide();
        else if (!modal && !box.isVisible())
            box.show();
    }
}

void QtDesktop::setBusyPointer(bool busy) {
    // Nested operations each restore only what they set.
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyDepth;
    } else if (m_busyDepth > 0) {
        QApplication::restoreOverrideCursor();
        --m_busyDepth;
    }
}

void QtDesktop::noteRecentFile(const QString& path) {
    // Opened as the launcher opens it: the program's name, a local file after it.
    const RecentApplication application{
        QGuiApplication::desktopFileName(),
        QFileInfo(QCoreApplication::applicationFilePath()).fileName() + QStringLiteral(" %f")};
    auto note = [list = recentlyUsedPath(), path, application] {
        addRecentlyUsed(list, path, application);
    };
    if (m_errands)
        m_errands(std::move(note));
    else
        note();
}

void QtDesktop::showFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace desktop
