#include "DraftCommand.h"

#include "store/DraftApply.h"
#include "store/History.h"
#include "store/StoreError.h"
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

/// A stored value as a script reads it back: a number in its shortest exact form, text as it
/// is, Null empty.
QString valueText(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong ||
        value.typeId() == QMetaType::Int)
        return tree::csvQuantity(value.toDouble());
    return value.toString();
}

QStringList rowFields(const std::optional<store::LineRow>& row) {
    if (!row)
        return {QString(), QString(), QString(), QString()};
    return {row->assembly, row->component, valueText(row->quantity), valueText(row->startDate)};
}

QString changeText(const store::DraftLine& line) {
    if (!line.base)
        return QStringLiteral("added");
    return line.draft ? QStringLiteral("changed") : QStringLiteral("removed");
}

QString sinceText(store::DraftLineNow::Since since) {
    switch (since) {
    case store::DraftLineNow::Since::Unchanged:
        return QStringLiteral("unchanged");
    case store::DraftLineNow::Since::AlreadyAsDraft:
        return QStringLiteral("already as drafted");
    case store::DraftLineNow::Since::Changed:
        return QStringLiteral("changed since");
    }
    return {};
}

/// No guard against formulas: a script gets back what the tables and the draft hold.
QByteArray linesCsv(const std::vector<store::DraftLineNow>& lines) {
    QByteArray out;
    tree::appendCsvRecord(
        out, {QStringLiteral("Change"), QStringLiteral("Live"), QStringLiteral("Base Assembly"),
              QStringLiteral("Base Component"), QStringLiteral("Base Quantity"),
              QStringLiteral("Base Start Date"), QStringLiteral("Draft Assembly"),
              QStringLiteral("Draft Component"), QStringLiteral("Draft Quantity"),
              QStringLiteral("Draft Start Date"), QStringLiteral("Live Assembly"),
              QStringLiteral("Live Component"), QStringLiteral("Live Quantity"),
              QStringLiteral("Live Start Date")});
    for (const store::DraftLineNow& line : lines)
        tree::appendCsvRecord(out, QStringList{changeText(line.line), sinceText(line.since)} +
                                       rowFields(line.line.base) + rowFields(line.line.draft) +
                                       rowFields(line.live));
    return out;
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
            return write(linesCsv(store::compareWithLive(*live, drafts->lines(draft.id))));
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
