#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;
class QSettings;

namespace desktop {

/// The setting that forces a language over the system's ("de", "en"; empty: the system's).
inline constexpr char LanguageSetting[] = "language";

/// The language the user forced: `--lang` on the command line (its value, already taken out of
/// the arguments by the caller) before the setting; empty when neither names one.
QString forcedLanguage(const QString& commandLine, const QSettings& settings);

/// The folders that may hold the program's catalogues (bom_LANG.qm), the first that holds one
/// winning: beside the program in a build tree, then where an install moved to another root
/// keeps them, then where the package installs them.
QStringList catalogueFolders(const QString& programFolder);

/// Installs the plural forms of the English texts ("1 line", "2 lines"), which the sources
/// write once for all counts; false when the program was built without them.
bool installEnglishPlurals(QCoreApplication& application);

/// The languages whose catalogues `folders` hold ("de"), each once, in order.
QStringList availableLanguages(const QStringList& folders);

/// What installTranslations found.
struct Language {
    QString name;    ///< the catalogue's language ("de"); empty: English, the source texts
    QString refused; ///< a forced language that has no catalogue here; English is shown
};

/// Loads the program's catalogue for `forced`, or else for the system's languages in their
/// order of preference, and Qt's own catalogue (its standard buttons and dialogs) for the same
/// language, so that a window never mixes two languages. English is the source: it needs none.
/// A forced language also becomes the default locale, so that numbers, dates and the
/// documents kept per language follow it.
Language installTranslations(QCoreApplication& application, const QString& forced,
                             const QStringList& folders);

} // namespace desktop
