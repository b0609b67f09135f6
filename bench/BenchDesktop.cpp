#include "BenchDesktop.h"

#include "desktop/PagedPrint.h"
#include "desktop/PrintChoices.h"

#include <QPrinter>

namespace bench {

int BenchDesktop::messageBox(const QString& text, desktop::MessageStyle, const QString&,
                             const QString&) {
    if (messagesStop)
        qFatal("%s: unexpected message %s", messagesStop, qPrintable(text));
    messages.append(text);
    return messageAnswer;
}

std::optional<QString> BenchDesktop::inputBox(const QString&, const QString&, const QString&) {
    return inputAnswer;
}

std::optional<QString> BenchDesktop::openFile(const QString&, const QStringList&) {
    return fileAnswer;
}

std::optional<QString> BenchDesktop::saveFile(const QString&, const QString&, const QStringList&) {
    return saveAnswer;
}

desktop::PrintOutcome BenchDesktop::print(const QString& title, desktop::PagedDocument& document,
                                          const QString&) {
    auto* choices = dynamic_cast<desktop::PrintChoices*>(&document);
    if (choices && printChoice >= 0 && !choices->choose(printChoice))
        return lastPrint = {};
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFileName(saveAnswer);
    lastPrint = desktop::writePdf(document, saveAnswer, printer.pageLayout(), printer.resolution(),
                                  title, nullptr, printPages);
    return lastPrint;
}

int BenchDesktop::runDialog(QDialog& dialog) {
    return dialogAnswer ? dialogAnswer(dialog) : QtDesktop::runDialog(dialog);
}

} // namespace bench
