#include "ScriptedDesktop.h"

#include "desktop/Language.h"
#include "desktop/PagedPrint.h"
#include "desktop/PrintChoices.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPrinter>
#include <QTimer>

namespace {

/// The suites read the texts in English as the program shows them, "1 line" and "2 lines".
void englishPlurals() {
    desktop::installEnglishPlurals(*QCoreApplication::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(englishPlurals)

int ScriptedDesktop::messageBox(const QString& text, desktop::MessageStyle style,
                                const QString& title, const QString& informative) {
    asked.append({QStringLiteral("message"), text,
                  title.isEmpty() ? desktop::ApplicationTitle : title, style, {}, informative});
    if (const auto hook = onMessage) // a copy: the hook may replace itself
        hook();
    return messageAnswers.isEmpty() ? desktop::ResultOk : messageAnswers.takeFirst();
}

int ScriptedDesktop::choiceBox(const QString& text, desktop::MessageStyle style,
                               const QString& title, const QStringList& captions) {
    const int answer = messageBox(text, style, title);
    asked.last().buttons = captions;
    return answer;
}

std::optional<QString> ScriptedDesktop::inputBox(const QString& prompt, const QString& title,
                                                 const QString& defaultText) {
    asked.append({QStringLiteral("input"), prompt, title, {}, defaultText});
    return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
}

std::optional<QStringList> ScriptedDesktop::formBox(const QString& title, const QString& prompt,
                                                   const QList<desktop::FormField>& fields) {
    asked.append({QStringLiteral("form"), prompt, title, {}, {}});
    formsShown.append(fields);
    return formAnswers.isEmpty() ? std::nullopt : formAnswers.takeFirst();
}

std::optional<QString> ScriptedDesktop::saveFile(const QString& title, const QString& proposed,
                                                 const QStringList&) {
    asked.append({QStringLiteral("save"), {}, title, {}, proposed});
    return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.takeFirst();
}

desktop::PrintOutcome ScriptedDesktop::print(const QString& title,
                                             desktop::PagedDocument& document,
                                             const QString& pdfPath) {
    asked.append({QStringLiteral("print"), {}, title, {}, pdfPath});
    auto* choices = dynamic_cast<desktop::PrintChoices*>(&document);
    printChoices = choices ? choices->names() : QStringList();
    if (printAnswers.isEmpty() || !printAnswers.takeFirst())
        return {};
    if (choices && printChoice >= 0 && !choices->choose(printChoice))
        return {};
    printedPdf = !printTarget.isEmpty()
                     ? printTarget
                     : m_printFolder.filePath(QStringLiteral("printed-%1.pdf").arg(asked.size()));
    // The page the real dialog proposes, on its printer's PDF output.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(printedPdf);
    const auto progress = startProgress(QStringLiteral("Printing…"), title);
    return desktop::writePdf(document, printedPdf, printer.pageLayout(), printer.resolution(),
                             title, progress.get(), printPages);
}

desktop::PrintOutcome ScriptedDesktop::printPreview(const QString& title,
                                                    desktop::PagedDocument& document,
                                                    const QString& pdfPath) {
    // The preview shows the pages; printing from it is the print dialog's answer.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(m_printFolder.filePath(QStringLiteral("preview.pdf")));
    previewPages = document.paginate(printer);
    const qsizetype question = asked.size();
    desktop::PrintOutcome outcome = print(title, document, pdfPath);
    asked[question].kind = QStringLiteral("preview");
    return outcome;
}

namespace {

class ScriptedProgress : public desktop::Progress {
public:
    explicit ScriptedProgress(ScriptedDesktop& desktop) : m_desktop(desktop) {}
    bool advance(qint64, qint64) override {
        ++m_desktop.progressReports;
        return m_desktop.cancelProgressAfter < 0 ||
               m_desktop.progressReports <= m_desktop.cancelProgressAfter;
    }

private:
    ScriptedDesktop& m_desktop;
};

} // namespace

std::unique_ptr<desktop::Progress> ScriptedDesktop::startProgress(const QString& label,
                                                                  const QString& title) {
    asked.append({QStringLiteral("progress"), label, title, {}, {}});
    progressReports = 0;
    return std::make_unique<ScriptedProgress>(*this);
}

int ScriptedDesktop::runDialog(QDialog& dialog) {
    asked.append({QStringLiteral("dialog"), dialog.objectName(), dialog.windowTitle(), {}, {}});
    if (dialogAnswers.isEmpty())
        return QDialog::Rejected;
    // Shown, so that what the script types and picks reaches the dialog as it would a user's.
    dialog.show();
    const int result = dialogAnswers.takeFirst()(dialog);
    dialog.hide();
    return result;
}

std::optional<QString> ScriptedDesktop::openFile(const QString& title, const QStringList&) {
    asked.append({QStringLiteral("file"), {}, title, {}, {}});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
}

void ScriptedDesktop::processEvents() {
    ++pumps;
    // A copy, so that the hook may replace itself while it runs.
    if (const auto hook = onProcessEvents)
        hook();
    QtDesktop::processEvents();
}

void ScriptedDesktop::waitFor(const std::function<bool()>& finished,
                              const std::function<void()>& cancel, const QString& label) {
    waitLabels.append(label);
    // A condition to cancel on is looked at often, since nothing else may wake the loop.
    QTimer look;
    if (cancelWaitWhen)
        look.start(1);
    bool cancelled = false;
    const auto cancelWhenAsked = [&] {
        if (!cancelled && cancelWaitWhen && cancelWaitWhen()) {
            cancelled = true;
            ++cancelledWaits;
            cancel();
        }
    };
    if (cancelBeforeFirstLook)
        cancelWhenAsked();
    while (!finished()) {
        cancelWhenAsked();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    }
}

void ScriptedDesktop::setBusyPointer(bool busy) {
    busyDepth += busy ? 1 : -1;
    maxBusyDepth = std::max(maxBusyDepth, busyDepth);
}

QList<ScriptedDesktop::Question> ScriptedDesktop::messages() const {
    QList<Question> result;
    for (const Question& q : asked)
        if (q.kind == QLatin1StringView("message"))
            result.append(q);
    return result;
}

QStringList ScriptedDesktop::messageTexts() const {
    QStringList texts;
    for (const Question& q : messages())
        texts.append(q.text);
    return texts;
}
