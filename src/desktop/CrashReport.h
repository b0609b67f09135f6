#pragma once

#include <QString>
#include <QStringList>

namespace desktop {

class Desktop;

/// The kind of database open, as a crash report names it: never its path or address.
enum class DatabaseKind { None, File, Server };

/// The folder of the crash reports: fabrilux-bom-editor/crash-reports in the user's state
/// folder (XDG_STATE_HOME, ~/.local/state by default).
QString crashReportFolder();

/// Makes a crash (SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL) leave a report in `folder`: the
/// program's version, the versions of Qt, SQLite and libpq, the kind of database open, the
/// last commands the user gave and a backtrace, written by the signal handler alone with
/// nothing allocated; then the signal ends the program as it would have. Every command a menu
/// or a shortcut triggers from now on goes into the report's short list of last commands.
/// BOM_CRASH_TEST=1 in the environment (abort: SIGABRT) asks for a crash on purpose once the
/// program has started (see offerCrashReports), to show what a crash leaves.
void installCrashReport(const QString& folder, const QString& version);

/// The kind of database now open, for a report written later.
void noteDatabaseKind(DatabaseKind kind);

/// Puts `command` last among the last commands (a few dozen characters of it); the oldest
/// one goes when the list is full.
void noteCommand(const QString& command);

/// Writes the report of the signal `signal` to the open file `fd`: what a crash writes, for a
/// test to read without crashing. Async-signal-safe once installCrashReport has run.
void writeCrashReport(int fd, int signal);

/// At start: when reports were written since the last offer, asks once whether to open their
/// folder, and opens it on Yes. Each report is offered once; nothing is sent anywhere. The
/// start is over then: a crash on purpose that BOM_CRASH_TEST asked for comes on the event
/// loop's next turn.
void offerCrashReports(Desktop& desktop, const QString& folder);

} // namespace desktop
