#include "desktop/CrashReport.h"
#include "desktop/Language.h"
#include "desktop/QtDesktop.h"
#include "shell/database/Workdir.h"
#include "shell/window/BomWindow.h"
#include "shell/window/Icons.h"
#include "store/History.h"
#include "store/Store.h"
#include "store/runtime/StoreThread.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* const UsageLine =
    "Usage: bom-editor [--help] [--version] [--lang LANGUAGE] [DATABASE]\n";

const char* const Help = R"(Usage: bom-editor [--help] [--version] [--lang LANGUAGE] [DATABASE]

Opens the Fabrilux Bill of Material Editor on DATABASE, an SQLite database file or a
PostgreSQL server address (postgresql://[user@][host][:port][/database]), and
remembers it for the next start; without DATABASE, on the database chosen last (or a
file is asked for). A Jet (.mdb) file is offered for import into a new SQLite
database, as in File > Open Database. A DATABASE that cannot be opened, an empty one
too, is reported as "NUMBER DESCRIPTION" and not remembered; the database chosen last
opens instead.

  -h, --help   show this text and exit
  --version    show the version and exit
  --lang LANGUAGE  show the window in LANGUAGE (de, en), not in the system's language
               (LANG, LANGUAGE); the setting "language" in the editor's configuration
               file forces one too. English without a catalogue for it.
  --           what follows is the DATABASE, even when it starts with "-"

Exit status 2 for a command line that is not understood.
)";

/// Qt's own options, which QApplication takes out of the arguments; those in the first list
/// take a value.
bool qtOption(const char* argument, bool& takesValue) {
    static const char* const withValue[] = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
        "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "display", "name",
        "session", "style", "stylesheet", "qwindowcontainer"};
    static const char* const flags[] = {"reverse", "widgetcount", "nograb", "dograb",
                                        "testability", "qmljsdebugger"};
    const char* name = argument + 1;
    if (*name == '-')
        ++name;
    for (const char* option : withValue)
        if (std::strcmp(name, option) == 0)
            return takesValue = true;
    for (const char* option : flags)
        if (std::strcmp(name, option) == 0 ||
            (std::strncmp(name, option, std::strlen(option)) == 0 &&
             name[std::strlen(option)] == '='))
            return !(takesValue = false);
    return takesValue = false;
}

} // namespace

int main(int argc, char* argv[]) {
    // Read before any window exists: none of this needs one, nor a display to show it on.
    int databases = 0;
    QString language;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--lang") == 0) {
            if (i + 1 == argc) {
                std::fprintf(stderr, "bom-editor: --lang takes a language (de, en).\n%s",
                             UsageLine);
                return 2;
            }
            language = QString::fromLocal8Bit(argv[++i]);
            continue;
        }
        if (std::strncmp(argument, "--lang=", 7) == 0) {
            language = QString::fromLocal8Bit(argument + 7);
            continue;
        }
        if (std::strcmp(argument, "--") == 0) {
            databases += argc - i - 1;
            break;
        }
        bool takesValue = false;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(Help, stdout);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("bom-editor %s\n", BOM_EDITOR_VERSION);
            return 0;
        }
        if (argument[0] != '-') {
            ++databases;
        } else if (qtOption(argument, takesValue)) {
            i += takesValue ? 1 : 0;
        } else {
            std::fprintf(stderr, "bom-editor: the option '%s' is not understood.\n%s", argument,
                         UsageLine);
            return 2;
        }
    }
    if (databases > 1) {
        std::fprintf(stderr, "bom-editor: one database at most.\n%s", UsageLine);
        return 2;
    }
    QApplication app(argc, argv);
    // Qt has taken its own options out of the arguments by now: what is left is the database.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    // --lang and its value were read above; what is left is the database.
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments[i] == QLatin1StringView("--"))
            break;
        if (arguments[i] == QLatin1StringView("--lang"))
            arguments.remove(i, std::min<qsizetype>(2, arguments.size() - i));
        else if (arguments[i].startsWith(QLatin1StringView("--lang=")))
            arguments.remove(i);
        else
            ++i;
    }
    arguments.removeAll(QStringLiteral("--"));
    QApplication::setOrganizationName(QStringLiteral("Fabrilux"));
    QApplication::setApplicationName(QStringLiteral("Fabrilux Bill of Material Editor"));
    QApplication::setApplicationVersion(QStringLiteral(BOM_EDITOR_VERSION));
    // The launcher's name: a Wayland compositor and the task bar find the icon and the menu
    // entry by it.
    QApplication::setDesktopFileName(QStringLiteral(BOM_DESKTOP_ID));
    QApplication::setWindowIcon(shell::applicationIcon());
    desktop::installCrashReport(desktop::crashReportFolder(), QStringLiteral(BOM_EDITOR_VERSION));
    {
        QSettings settings;
        shell::moveUnnamedSettings(settings);
        // Every change to a database file is accounted for unless the user turned it off.
        store::setFileHistoryKept(!settings.value(QStringLiteral("history/off"), false).toBool());
        // Before the first window and the first text of the program's own.
        const desktop::Language shown = desktop::installTranslations(
            app, desktop::forcedLanguage(language, settings),
            desktop::catalogueFolders(QCoreApplication::applicationDirPath()));
        if (!shown.refused.isEmpty())
            std::fprintf(stderr,
                         "bom-editor: no catalogue for the language '%s'; the window is "
                         "in English.\n",
                         qUtf8Printable(shown.refused));
    }
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString workdirFolder = shell::workdirFolder(
        programFolder, QStringLiteral(BOM_INSTALL_BINDIR),
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    shell::rememberSampleOnFirstStart(
        workdirFolder, QDir(programFolder).filePath(QStringLiteral(BOM_SAMPLE_FROM_PROGRAM)),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    desktop::QtDesktop desktop;
    desktop.setErrands(&store::runErrand);
    shell::BomWindow bom(desktop, workdirFolder);
    // A file is remembered by its full path, so that the next start finds it from any folder.
    std::optional<QString> location;
    if (!arguments.isEmpty()) {
        location = arguments.constFirst();
        if (!location->isEmpty() && !store::looksLikeServerAddress(*location))
            location = QFileInfo(*location).absoluteFilePath();
    }
    bom.start(location);
    desktop::offerCrashReports(desktop, desktop::crashReportFolder());
    return app.exec();
}
