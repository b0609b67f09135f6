#include "CheckCommand.h"

#include "store/DatabaseCheck.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "store/WholeUnits.h"

#include <QCoreApplication>
#include <QSettings>

#include <cstdio>

namespace tools {

namespace {

/// One finding a line, whatever an ID holds: control characters are shown as \xHH.
QString oneLine(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x20 || c == 0x7F) {
            text.replace(i, 1, QStringLiteral("\\x") +
                                   QString::number(uint(c), 16).toUpper().rightJustified(2, u'0'));
            i += 3;
        }
    }
    return text;
}

} // namespace

int runCheck(const QStringList& arguments) {
    if (arguments.size() != 1) {
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(store::StoreError(store::ImportUsage,
                                                      QCoreApplication::translate(
                                                          "bom-import",
                                                          "--check takes one database: a file "
                                                          "or a server address (postgresql://…)."))
                                        .message()));
        return 2;
    }
    try {
        const std::unique_ptr<store::Store> db = store::openStore(arguments[0]);
        // The units the editor counts in whole pieces, as its Options keep them.
        const QSettings editor(QStringLiteral("Fabrilux"),
                               QStringLiteral("Fabrilux Bill of Material Editor"));
        const std::optional<store::CheckReport> report =
            store::checkDatabase(*db, {}, store::wholeUnitsFrom(editor));
        for (size_t i = 0; i < report->size(); ++i) {
            const store::CheckFinding finding = report->finding(i);
            const QString what = finding.component.isEmpty()
                                     ? finding.assembly
                                     : QStringLiteral("%1 → %2").arg(finding.assembly, finding.component);
            std::printf("%s\n", qUtf8Printable(oneLine(QStringLiteral("%1: %2: %3").arg(
                                    store::kindName(finding.kind), what, finding.detail))));
        }
        // The counts in digits only (%n), whatever the language, as a script reads them.
        const QString findings = QCoreApplication::translate("bom-import", "%n finding(s)", nullptr,
                                                             int(report->size()));
        const QString items = QCoreApplication::translate("bom-import", "%n item(s)", "checked in",
                                                          int(report->items));
        const QString lines = QCoreApplication::translate("bom-import", "%n line(s)", "checked in",
                                                          int(report->lines));
        std::printf("%s\n",
                    qUtf8Printable(QCoreApplication::translate("bom-import", "%1: %2 in %3 and %4.")
                                       .arg(arguments[0], findings, items, lines)));
        return report->empty() ? 0 : 1;
    } catch (const store::StoreError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
        return 2;
    }
}

} // namespace tools
