#include "desktop/CrashReport.h"

#include "desktop/Desktop.h"

#include <QAction>
#include <QActionEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSaveFile>
#include <QTimer>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <execinfo.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace desktop {

namespace {

constexpr int CommandCount = 12;
constexpr int CommandLength = 64;
constexpr int CrashSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGBUS, SIGILL};

/// Everything the handler writes, made before any crash: the handler reads it and allocates
/// nothing.
struct Report {
    char folder[4096] = {};
    char about[1024] = {};
    volatile std::sig_atomic_t databaseKind = int(DatabaseKind::None);
    /// The last commands, a ring of fixed slots; `noted` counts every command ever noted, so
    /// the slot of the next one is noted % CommandCount. Written on the window's thread only.
    char commands[CommandCount][CommandLength] = {};
    volatile std::sig_atomic_t noted = 0;
    volatile std::sig_atomic_t crashing = 0;
};

Report report;

/// Room for a stack overflow's handler: the overflowing stack has none left.
alignas(16) char alternateStack[64 * 1024];

const QString OfferedList = QStringLiteral(".offered");

/// The crash on purpose that the environment asked for, once the program has started.
enum class CrashTest { None, InvalidAccess, Abort };
CrashTest crashTest = CrashTest::None;

// Async-signal-safe writing: write(2), and numbers and texts put together by hand.

void put(int fd, const char* text) {
    for (size_t left = std::strlen(text); left > 0;) {
        const ssize_t written = ::write(fd, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= size_t(written);
    }
}

/// `value` in decimal at `out`, at least `width` digits; the end of what was written.
char* number(char* out, unsigned long value, int width = 1) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0 || count < width);
    while (count > 0)
        *out++ = digits[--count];
    *out = '\0';
    return out;
}

char* text(char* out, const char* from) {
    while (*from)
        *out++ = *from++;
    *out = '\0';
    return out;
}

/// The UTC date and time of `seconds` since 1970, `separator` between date and time (and
/// `colons` between the time's parts, which a file name does without).
char* stamp(char* out, std::time_t seconds, char separator, bool colons) {
    // The civil date of a day count, from Howard Hinnant's date algorithms.
    const long days = long(seconds / 86400);
    const long rest = long(seconds % 86400);
    const long z = days + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long day = doy - (153 * mp + 2) / 5 + 1;
    const long month = mp < 10 ? mp + 3 : mp - 9;
    const long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    out = number(out, year, 4);
    *out++ = '-';
    out = number(out, month, 2);
    *out++ = '-';
    out = number(out, day, 2);
    *out++ = separator;
    out = number(out, rest / 3600, 2);
    if (colons)
        *out++ = ':';
    out = number(out, rest / 60 % 60, 2);
    if (colons)
        *out++ = ':';
    return number(out, rest % 60, 2);
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGABRT: return "SIGABRT (aborted)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    default: return "a signal";
    }
}

void onCrash(int signal, siginfo_t*, void*) {
    if (report.crashing) {
        // Another thread is writing the report: it ends the program once it is written.
        for (int i = 0; i < 100; ++i) {
            const timespec pause{0, 50'000'000};
            nanosleep(&pause, nullptr);
        }
    } else {
        report.crashing = 1;
        char path[sizeof report.folder + 64];
        char* end = text(path, report.folder);
        end = text(end, "/crash-");
        end = stamp(end, std::time(nullptr), 'T', false);
        end = text(end, "Z-");
        end = number(end, unsigned(getpid()));
        text(end, ".txt");
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            writeCrashReport(fd, signal);
            ::close(fd);
            put(STDERR_FILENO, "bom-editor crashed; its report: ");
            put(STDERR_FILENO, path);
            put(STDERR_FILENO, "\n");
        }
    }
    // The signal ends the program as it would have without this handler (a core dump where
    // the system keeps them).
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

/// The name a report gives a command: the action's object name. An action without one is
/// named by its caption, unless it carries a path or an address (File ▸ Recent Databases),
/// which a report leaves out.
QString commandName(const QAction& action) {
    if (!action.objectName().isEmpty())
        return action.objectName();
    QString caption = action.text().remove(u'&');
    if (action.data().typeId() == QMetaType::QString) {
        const auto* menu = qobject_cast<const QMenu*>(action.parent());
        caption = (menu ? menu->title().remove(u'&') : QStringLiteral("menu")) +
                  QStringLiteral(" ▸ entry %1").arg(menu ? menu->actions().indexOf(&action) + 1 : 0);
    }
    return caption;
}

/// Takes note of every action put into a menu, a tool bar or a window, whenever it is added.
class CommandWatch : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ActionAdded)
            if (QAction* action = static_cast<QActionEvent*>(event)->action())
                connect(action, &QAction::triggered, this, &CommandWatch::triggered,
                        Qt::UniqueConnection);
        return QObject::eventFilter(watched, event);
    }

    void triggered() {
        if (const auto* action = qobject_cast<const QAction*>(sender()))
            noteCommand(commandName(*action));
    }
};

[[noreturn]] void crashOnPurpose(bool abort) {
    if (abort)
        std::abort();
    // A page that may not be touched, written through as it must: a real invalid access,
    // not a trap nor a store left out, and no null pointer that a checking build would stop
    // at before the access.
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED)
        *static_cast<volatile int*>(page) = 1;
    std::abort();
}

} // namespace

QString crashReportFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(state).filePath(QStringLiteral("fabrilux-bom-editor/crash-reports"));
}

void installCrashReport(const QString& folder, const QString& version) {
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(folder);
    std::snprintf(report.folder, sizeof report.folder, "%s", path.constData());
    const int pq = PQlibVersion();
    std::snprintf(report.about, sizeof report.about,
                  "Version: %s\nQt: %s\nSQLite: %s\nlibpq: %d.%d\n", qPrintable(version),
                  qVersion(), sqlite3_libversion(), pq / 10000, pq % 10000);
    // The first backtrace loads the unwinder, which allocates: done here, not in a crash.
    void* frames[4];
    backtrace(frames, 4);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action{};
    action.sa_sigaction = onCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : CrashSignals)
        sigaction(signal, &action, nullptr);

    QCoreApplication::instance()->installEventFilter(new CommandWatch(QCoreApplication::instance()));
    // Read here once, at start: a crash on purpose shows what a crash leaves behind.
    const QByteArray test = qgetenv("BOM_CRASH_TEST");
    crashTest = test.isEmpty() || test == "0" ? CrashTest::None
                : test == "abort"             ? CrashTest::Abort
                                              : CrashTest::InvalidAccess;
}

void noteDatabaseKind(DatabaseKind kind) { report.databaseKind = int(kind); }

void noteCommand(const QString& command) {
    QByteArray name = command.toUtf8();
    if (name.size() >= CommandLength) {
        // Cut before a character, never inside one.
        qsizetype cut = CommandLength - 1;
        while (cut > 0 && (uchar(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    char* slot = report.commands[report.noted % CommandCount];
    std::memset(slot, 0, CommandLength);
    std::memcpy(slot, name.constData(), size_t(name.size()));
    // The slot is whole before a handler can count it.
    std::atomic_signal_fence(std::memory_order_release);
    report.noted = report.noted + 1;
}

void writeCrashReport(int fd, int signal) {
    char line[128];
    put(fd, "The Fabrilux Bill of Material Editor stopped on ");
    put(fd, signalName(signal));
    put(fd, ".\nTime: ");
    char* end = stamp(line, std::time(nullptr), ' ', true);
    text(end, " UTC\n");
    put(fd, line);
    put(fd, report.about);
    put(fd, "Database: ");
    switch (DatabaseKind(int(report.databaseKind))) {
    case DatabaseKind::None: put(fd, "none open\n"); break;
    case DatabaseKind::File: put(fd, "an SQLite file\n"); break;
    case DatabaseKind::Server: put(fd, "a PostgreSQL server\n"); break;
    }
    put(fd, "Last commands, the latest last:\n");
    const long noted = report.noted;
    if (noted == 0)
        put(fd, "  none\n");
    for (long i = noted > CommandCount ? noted - CommandCount : 0; i < noted; ++i) {
        put(fd, "  ");
        put(fd, report.commands[i % CommandCount]);
        put(fd, "\n");
    }
    put(fd, "Backtrace:\n");
    void* frames[64];
    const int count = backtrace(frames, 64);
    backtrace_symbols_fd(frames, count, fd);
    put(fd, "\nThis report stays on this computer: nothing was sent anywhere. It holds neither "
            "the database's path nor a password; add what you were doing when you pass it on.\n");
}

void offerCrashReports(Desktop& desktop, const QString& folder) {
    if (crashTest != CrashTest::None)
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [abort = crashTest == CrashTest::Abort] { crashOnPurpose(abort); });
    const QDir dir(folder);
    const QStringList reports =
        dir.entryList({QStringLiteral("crash-*.txt")}, QDir::Files, QDir::Name);
    QStringList offered;
    if (QFile list(dir.filePath(OfferedList)); list.open(QIODevice::ReadOnly))
        offered = QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QStringList fresh;
    for (const QString& name : reports)
        if (!offered.contains(name))
            fresh.append(name);
    if (fresh.isEmpty())
        return;
    // Remembered before asking: a report is offered once, whatever becomes of this start.
    QSaveFile list(dir.filePath(OfferedList));
    if (!list.open(QIODevice::WriteOnly))
        return; // a folder that cannot keep the offers would ask again at every start
    list.write(reports.join(u'\n').toUtf8() + '\n');
    if (!list.commit())
        return;
    const QString text =
        fresh.size() == 1
            ? QCoreApplication::translate("desktop",
                                          "The editor stopped unexpectedly last time and left a "
                                          "report of what it was doing; nothing was sent "
                                          "anywhere.\nOpen its folder?")
            : QCoreApplication::translate("desktop",
                                          "The editor stopped unexpectedly %Ln times since it "
                                          "last asked and left a report each time; nothing was "
                                          "sent anywhere.\nOpen their folder?",
                                          nullptr, int(fresh.size()));
    if (desktop.messageBox(text, YesNo | IconQuestion, {},
                           QDir::toNativeSeparators(dir.filePath(fresh.constLast()))) ==
        ResultYes)
        desktop.showFolder(folder);
}

} // namespace desktop
