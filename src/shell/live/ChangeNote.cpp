#include "shell/live/ChangeNote.h"

#include "store/ItemKey.h"
#include "store/ChangeSet.h"
#include "tree/bill/BomTreeModel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSet>

namespace shell {

QString changeNoteFor(const store::Changes& changes, const QStringList& assemblies,
                      const QString& consequence) {
    if (assemblies.isEmpty())
        return {};
    if (changes.everything)
        return QCoreApplication::translate(
                   "shell", "The database has changed since these lines were read: %1")
            .arg(consequence);
    QSet<QString> listed;
    for (const QString& assembly : assemblies)
        listed.insert(store::foldKey(assembly));
    QStringList touched;
    for (const QString& assembly : changes.assemblies)
        if (listed.contains(store::foldKey(assembly)))
            touched.append(assembly);
    if (touched.isEmpty())
        return {};
    return QCoreApplication::translate(
               "shell", "Another editor has changed the lines of %1 since they were read: %2")
        .arg(touched.size() <= 3 ? touched.join(QStringLiteral(", "))
                                 : QCoreApplication::translate("shell", "%n assemblies listed here",
                                                               nullptr, int(touched.size())),
             consequence);
}

QLabel* makeChangeNote(QWidget* parent) {
    auto* note = new QLabel(parent);
    note->setObjectName(QStringLiteral("changeNote"));
    note->setWordWrap(true);
    // The colour of a line that is probably wrong, for a list that may be out of date.
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, tree::ProblemColour);
    note->setPalette(palette);
    note->hide();
    return note;
}

void showChangeNote(QLabel& note, const QString& text) {
    if (text.isEmpty())
        return;
    note.setText(text);
    note.setAccessibleDescription(text);
    note.show();
}

} // namespace shell
