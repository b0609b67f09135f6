#include "DraftCommand.h"

#include "store/DraftApply.h"
#include "store/History.h"
#include "store/StoreError.h"
#include "tree/drafts/DraftReview.h"
#include "tree/reports/BillExport.h"

#include <cstdio>

namespace tools {

namespace {

int refuse(const store::StoreError& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", qUtf8Printable(error.message()));
    return 1;
}

int write(const QByteArray& out) {
    if (std::fwrite(out.constData(), 1, size_t(out.size()), stdout) != size_t(out.size()) ||
        std::fflush(stdout) != 0)
        return refuse(store::StoreError(store::ExportWriteFailed,
                                        QStringLiteral("The drafts could not be written to "
                                                       "standard output.")));
    return 0;
}

QString timeText(const QDateTime& utc) {
    return utc.isValid() ? utc.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QByteArray draftsCsv(const std::vector<store::DraftInfo>& drafts) {
    QByteArray out;
    tree::appendCsvRecord(out, {QStringLiteral("Name"), QStringLiteral("State"),
                                QStringLiteral("Lines"), QStringLiteral("Reason"),
                                QStringLiteral("Made By"), QStringLiteral("Made"),
                                QStringLiteral("Closed By"), QStringLiteral("Closed"),
                                QStringLiteral("Being Applied By")});
    for (const store::DraftInfo& draft : drafts)
        tree::appendCsvRecord(out, {draft.name, store::draftStateText(draft.state),
                                    QString::number(draft.lines), draft.reason, draft.madeBy,
                                    timeText(draft.made), draft.closedBy, timeText(draft.closed),
                                    draft.applyingBy});
    return out;
}

} // namespace

int runDrafts(const QString& option, const QStringList& arguments) {
    const bool list = option == QLatin1StringView("--drafts");
    if (arguments.size() != (list ? 1 : 2) || arguments.last().trimmed().isEmpty())
        return refuse(store::StoreError(
            store::ImportUsage,
            list ? QStringLiteral("--drafts takes one database (a file or a server address). "
                                  "See bom-import --help.")
                 : QStringLiteral("%1 takes a draft's name and a database (a file or a server "
                                  "address). See bom-import --help.")
                       .arg(option)));
    const QString database = arguments.last();
    // A draft lives beside the history of a file, and its apply is recorded there.
    store::setFileHistoryKept(true);
    try {
        const std::unique_ptr<store::Drafts> drafts = store::openDrafts(database);
        if (list)
            return write(draftsCsv(drafts->list()));
        const QString& name = arguments.first();
        const std::unique_ptr<store::Store> live = store::openStore(database);
        if (option == QLatin1StringView("--show-draft")) {
            const store::DraftInfo draft = drafts->find(name);
            // No guard against formulas: a script gets back what the tables and the draft hold.
            return write(tree::draftLinesCsv(
                store::compareWithLive(*live, drafts->lines(draft.id)), false));
        }
        const store::DraftApplyResult result = store::applyDraft(*live, *drafts, name);
        if (!result.applied) {
            QStringList lines;
            for (const store::DraftLineNow& line : result.changed)
                lines.append(QStringLiteral("'%1' in '%2'")
                                 .arg(line.line.component(), line.line.assembly()));
            return refuse(store::StoreError(
                store::DraftChangedSince,
                QStringLiteral("%1 line(s) of the draft '%2' changed in the tables since they "
                               "entered it, and nothing was written: %3. --show-draft shows "
                               "them beside the draft; the editor's Apply Draft lets you keep "
                               "each or take the draft's.")
                    .arg(result.changed.size())
                    .arg(name, lines.join(QStringLiteral(", ")))));
        }
        std::printf("%s\n", qUtf8Printable(QStringLiteral("%1: the draft '%2' is applied, %3 "
                                                          "line(s) written as one change.")
                                               .arg(database, name)
                                               .arg(result.written)));
        return 0;
    } catch (const store::StoreError& error) {
        return refuse(error);
    }
}

} // namespace tools
