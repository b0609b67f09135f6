#include "desktop/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

#include <memory>

namespace desktop {

QString forcedLanguage(const QString& commandLine, const QSettings& settings) {
    if (!commandLine.trimmed().isEmpty())
        return commandLine.trimmed();
    return settings.value(QLatin1StringView(LanguageSetting)).toString().trimmed();
}

QStringList catalogueFolders(const QString& programFolder) {
    const QDir program(programFolder);
    return {program.filePath(QStringLiteral("translations")),
            QDir::cleanPath(program.filePath(QStringLiteral(BOM_TRANSLATIONS_FROM_PROGRAM))),
            QStringLiteral(BOM_TRANSLATIONS_INSTALLED)};
}

QStringList availableLanguages(const QStringList& folders) {
    QStringList found;
    for (const QString& folder : folders)
        for (const QString& name :
             QDir(folder).entryList({QStringLiteral("bom_*.qm")}, QDir::Files, QDir::Name)) {
            const QString language = name.mid(4, name.size() - 7);
            if (!found.contains(language))
                found.append(language);
        }
    return found;
}

bool installEnglishPlurals(QCoreApplication& application) {
    auto plurals = std::make_unique<QTranslator>(&application);
    if (!plurals->load(QStringLiteral(":/translations/bom_en.qm")))
        return false;
    application.installTranslator(plurals.release());
    return true;
}

Language installTranslations(QCoreApplication& application, const QString& forced,
                             const QStringList& folders) {
    Language language;
    const QLocale wanted = forced.isEmpty() ? QLocale::system() : QLocale(forced);
    if (!forced.isEmpty()) {
        // QLocale reads a name it does not know as the C locale.
        if (wanted.language() == QLocale::C) {
            language.refused = forced;
            installEnglishPlurals(application);
            return language;
        }
    }
    auto own = std::make_unique<QTranslator>(&application);
    bool found = false;
    for (const QString& folder : folders)
        if ((found = own->load(wanted, QStringLiteral("bom"), QStringLiteral("_"), folder)))
            break;
    if (!found) {
        // English is the source: a forced English, or a system's language without a
        // catalogue, shows the texts as written.
        if (!forced.isEmpty() && wanted.language() != QLocale::English)
            language.refused = forced;
        else if (!forced.isEmpty())
            QLocale::setDefault(wanted);
        installEnglishPlurals(application);
        return language;
    }
    if (!forced.isEmpty())
        QLocale::setDefault(wanted);
    // The catalogue found may be the system's second choice: Qt's own follows it.
    const QLocale shown(own->language());
    language.name = own->language();
    application.installTranslator(own.release());
    auto qt = std::make_unique<QTranslator>(&application);
    if (qt->load(shown, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(qt.release());
    return language;
}

} // namespace desktop
