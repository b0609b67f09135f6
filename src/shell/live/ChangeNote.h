#pragma once

#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

namespace store {
struct Changes;
}

namespace shell {

/// What a box that lists lines read from the database (Where Used, Replace) says when another
/// editor's change touches the lines of `assemblies`, followed by `consequence` (what becomes
/// of them); empty when it touches none of them. A change that names no assemblies (a file's
/// commit, a large import) may touch any.
QString changeNoteFor(const store::Changes& changes, const QStringList& assemblies,
                      const QString& consequence);

/// The hidden note under a box's heading that shows such a text.
QLabel* makeChangeNote(QWidget* parent);
/// Shows `text` in the note; an empty text leaves it as it is.
void showChangeNote(QLabel& note, const QString& text);

} // namespace shell
