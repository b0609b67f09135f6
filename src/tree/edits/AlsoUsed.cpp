#include "tree/edits/AlsoUsed.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "tree/bill/BomTreeModel.h"

#include <QCoreApplication>
#include <QSet>

namespace tree {

QString assemblyAbove(const BomTreeModel& model, const QModelIndex& node) {
    const QModelIndex parent = node.parent();
    return parent.isValid() ? model.assemblyOf(parent) : QString();
}

QStringList otherUsers(store::Store& db, const QString& assembly, const QString& above) {
    const QString aboveKey = store::foldKey(above);
    QStringList others;
    for (const store::LineRow& row : db.lineRowsUsing(assembly))
        if (above.isEmpty() || store::foldKey(row.assembly) != aboveKey)
            others.append(row.assembly);
    return others;
}

QString alsoUsedNote(const QString& assembly, const QStringList& others) {
    if (others.isEmpty())
        return {};
    const int more = int(others.size()) - 1;
    const QString where =
        others.size() == 1 ? others.front()
        : others.size() == 2
            ? QCoreApplication::translate("tree", "%1 and %2").arg(others[0], others[1])
            : QCoreApplication::translate("tree", "%1 and %n more", nullptr, more)
                  .arg(others.front());
    return QCoreApplication::translate("tree", "%1 is also used in %2: the change shows there too.")
        .arg(assembly, where);
}

QStringList yesNoAnswers() {
    return {QCoreApplication::translate("tree", "If Yes: "),
            QCoreApplication::translate("tree", "If No: ")};
}

QString alsoUsedNotes(store::Store& db,
                      const std::vector<std::pair<QString, QString>>& assemblies,
                      const QStringList& answers) {
    // A question lists a dozen lines before it counts the rest; its notes stop there too,
    // each being one read of the lines that use an assembly.
    constexpr qsizetype MostAssemblies = 12;
    QStringList notes;
    QSet<QString> seen;
    for (size_t at = 0; at < assemblies.size(); ++at) {
        const auto& [assembly, above] = assemblies[at];
        const QString key = store::foldKey(assembly);
        if (seen.contains(key) || seen.size() == MostAssemblies)
            continue;
        seen.insert(key);
        if (QString note = alsoUsedNote(assembly, otherUsers(db, assembly, above)); !note.isEmpty())
            notes.append(answers.value(qsizetype(at)) + note);
    }
    return notes.join(u'\n');
}

} // namespace tree
