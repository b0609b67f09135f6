// The windows speak the user's language: every text they show goes through the catalogue, and
// the German catalogue, the English plural forms and the numbers that stay fixed in every
// language reach the windows as the editor loads them.

#include "support/ScriptedDesktop.h"
#include "support/WindowFixture.h"

#include "desktop/Desktop.h"
#include "desktop/Language.h"
#include "desktop/PrintPreview.h"
#include "desktop/QtDesktop.h"
#include "info/InfoWindows.h"
#include "shell/check/CheckDatabaseDialog.h"
#include "shell/compare/CompareDialog.h"
#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/PasteColumnsDialog.h"
#include "shell/edit/PasteDialog.h"
#include "shell/edit/ReplaceDialog.h"
#include "shell/history/AsOfView.h"
#include "shell/history/ChangeHistoryDialog.h"
#include "shell/options/OptionsDialog.h"
#include "shell/plan/RequirementsDialog.h"
#include "shell/whereused/WhereUsedDialog.h"
#include "store/DatabaseCheck.h"
#include "store/StoreError.h"
#include "tree/edits/LinePaste.h"
#include "tree/reports/WhereUsedReport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

/// A made-up language read from the German catalogue's entries: each text the catalogue holds
/// comes out as ⟦text⟧, and so do Qt's own (its standard buttons, which its own catalogue
/// translates). A text shown without the marks was never given to the catalogue, or the
/// catalogue does not know it: either way it would stay English in every language.
class PseudoTranslator : public QTranslator {
public:
    explicit PseudoTranslator(const QString& catalogue) {
        QFile file(catalogue);
        if (!file.open(QIODevice::ReadOnly))
            return;
        QXmlStreamReader xml(&file);
        QString context, source, comment;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1StringView("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1StringView("message"))
                source.clear(), comment.clear();
            else if (xml.name() == QLatin1StringView("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1StringView("comment"))
                comment = xml.readElementText();
            else if (xml.name() == QLatin1StringView("translation"))
                m_known.insert(key(context, source, comment));
        }
    }
    bool isEmpty() const override { return m_known.isEmpty(); }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int) const override {
        const QString from = QString::fromUtf8(context);
        const bool qt = from.startsWith(u'Q');
        if (!qt && !m_known.contains(
                       key(from, QString::fromUtf8(source), QString::fromUtf8(disambiguation))))
            return {};
        return u'⟦' + QString::fromUtf8(source) + u'⟧';
    }

private:
    static QString key(const QString& context, const QString& source, const QString& comment) {
        return context + u'\x1f' + source + u'\x1f' + comment;
    }
    QSet<QString> m_known;
};

/// The main window's title, which stays as users know it in every language.
const QString MainWindowTitle = QStringLiteral("Bill of Material Structural Viewer/Editor");

/// The texts of `top` a user sees or a screen reader says that have a letter outside ⟦…⟧:
/// its title, and each visible widget's caption, items, placeholder, tooltip, accessible name
/// and column headings. The data shown in the windows here holds no letter but for `data`
/// (a path, the clock's time), which is taken out of every text first; the texts that stay
/// English in every language (the titles, a key's name) are allowed.
QStringList unwrapped(QWidget& top, const QStringList& data = {}) {
    static const QRegularExpression wrapped(QStringLiteral("⟦[^⟦⟧]*⟧"));
    static const QRegularExpression markup(QStringLiteral("<[^>]*>|&[a-z]+;"));
    QStringList found;
    const auto check = [&](const QObject& owner, const QString& what, QString text) {
        if (text == desktop::ApplicationTitle || text == MainWindowTitle)
            return;
        const QString shown = text;
        for (const QString& datum : data)
            if (!datum.isEmpty())
                text.remove(datum);
        text.remove(markup);
        // Texts inside texts ("⟦%1 into %2⟧" holding "⟦%Ln line(s) go(es)⟧"), innermost first.
        while (text.contains(wrapped))
            text.remove(wrapped);
        if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetter(); }))
            found.append(QStringLiteral("%1 %2 (%3): %4")
                             .arg(QString::fromUtf8(owner.metaObject()->className()),
                                  owner.objectName(), what, shown));
    };
    QList<QWidget*> widgets = top.findChildren<QWidget*>();
    widgets.prepend(&top);
    // A key's name ("Ctrl+P" in a tooltip) is the same in every language.
    QStringList keys;
    for (const QAction* action : top.findChildren<QAction*>())
        if (!action->shortcut().isEmpty())
            keys.append(action->shortcut().toString(QKeySequence::NativeText));
    const auto withoutKeys = [&](QString text) {
        for (const QString& key : keys)
            text.remove(key);
        return text;
    };
    check(top, QStringLiteral("title"), top.windowTitle());
    for (QWidget* widget : widgets) {
        if (!widget->isVisible())
            continue;
        check(*widget, QStringLiteral("tooltip"), withoutKeys(widget->toolTip()));
        check(*widget, QStringLiteral("accessible name"), widget->accessibleName());
        for (const QAction* action : widget->actions()) {
            check(*action, QStringLiteral("action"), action->text());
            check(*action, QStringLiteral("action tooltip"), withoutKeys(action->toolTip()));
        }
        if (const auto* label = qobject_cast<QLabel*>(widget))
            check(*label, QStringLiteral("text"), label->text());
        else if (const auto* button = qobject_cast<QAbstractButton*>(widget))
            check(*button, QStringLiteral("caption"), button->text());
        else if (const auto* group = qobject_cast<QGroupBox*>(widget))
            check(*group, QStringLiteral("title"), group->title());
        else if (const auto* edit = qobject_cast<QLineEdit*>(widget))
            check(*edit, QStringLiteral("placeholder"), edit->placeholderText());
        if (const auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                check(*tabs, QStringLiteral("tab"), tabs->tabText(i));
        if (const auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                check(*combo, QStringLiteral("item"), combo->itemText(i));
        // A table's headings once, from its model (its header views show the same).
        if (const auto* view = qobject_cast<QAbstractItemView*>(widget);
            view && view->model() && !qobject_cast<const QHeaderView*>(view))
            for (int column = 0; column < view->model()->columnCount(); ++column)
                check(*view, QStringLiteral("heading"),
                      view->model()->headerData(column, Qt::Horizontal).toString());
    }
    // Every command the window holds, shown or not: the menus and their submenus (each
    // menu's title is its item's text), the tree's context menu, a list's header menu.
    for (const QAction* action : top.findChildren<QAction*>()) {
        check(*action, QStringLiteral("command"), action->text());
        check(*action, QStringLiteral("command tooltip"), withoutKeys(action->toolTip()));
    }
    return found;
}

/// A document of one blank page, for the print preview.
class BlankPage : public desktop::PagedDocument {
public:
    int paginate(QPagedPaintDevice&) override { return 1; }
    void paintPage(QPainter&, int) override {}
};

/// Takes every catalogue off the application, and the locale back to the system's.
void forgetTranslations() {
    for (QTranslator* translator : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(QLocale::system());
}

} // namespace

class TranslationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { forgetTranslations(); }

    /// Each window and dialog of the desktop services, the import's windows, the information
    /// windows and the dialogs of the window's commands, opened under the made-up language:
    /// none shows a text that the catalogue cannot translate.
    void everyTextShownIsTranslatable() {
        auto* pseudo = new PseudoTranslator(QStringLiteral(BOM_GERMAN_CATALOGUE));
        pseudo->setParent(qApp);
        QVERIFY(!pseudo->isEmpty());
        QCoreApplication::installTranslator(pseudo);
        QStringList found;
        const auto look = [&](QWidget& window) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            found += unwrapped(window);
            window.close();
        };

        shell::OptionsDialog options({QStringLiteral("1")}, nullptr, {}, {QStringLiteral("de")});
        // Each language is offered by its own name ("Deutsch"), in every language.
        auto* languages = options.findChild<QComboBox*>(QStringLiteral("optionsLanguage"));
        QCOMPARE(languages->count(), 3);
        while (languages->count() > 1)
            languages->removeItem(1);
        look(options);
        shell::CompareDialog compare;
        look(compare);
        shell::PasteColumnsDialog columns({QStringLiteral("1"), QStringLiteral("2")});
        // The columns' letters as a spreadsheet names them ("A: 1") are no words.
        for (QComboBox* combo : columns.findChildren<QComboBox*>())
            combo->clear();
        look(columns);
        const std::vector<tree::PastedLine> pasted{
            {QStringLiteral("1"), 2.0, QStringLiteral("2"), {}},
            {QStringLiteral("2"), {}, {}, QStringLiteral("3")}};
        shell::PasteDialog paste(QStringLiteral("9"), pasted);
        look(paste);
        shell::PasteDialog allRefused(QStringLiteral("9"), {pasted[1], pasted[1]});
        look(allRefused);
        const std::vector<store::LineRow> uses{{QStringLiteral("1"), QStringLiteral("2"), 1.0, {}}};
        for (const auto mode :
             {shell::ReplaceDialog::Mode::Replace, shell::ReplaceDialog::Mode::Remove,
              shell::ReplaceDialog::Mode::SetQuantity}) {
            shell::ReplaceDialog replace(mode, QStringLiteral("2"), QStringLiteral("3"), uses,
                                         {std::nullopt});
            look(replace);
        }
        // The caller names the pick and asks; what the dialog says itself is its own.
        shell::ItemPickDialog pick(QStringLiteral("⟦1⟧"), QStringLiteral("⟦2⟧"), {});
        pick.askReason();
        pick.show();
        // OK with nothing chosen says why it took nothing.
        pick.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        look(pick);
        shell::WhereUsedDialog whereUsed([](const QString&) {});
        whereUsed.showReport(
            tree::WhereUsedReport{QStringLiteral("1"), {}, QStringLiteral("2"), {}});
        look(whereUsed);
        ScriptedDesktop scripted;
        shell::CheckDatabaseDialog check(scripted, [](const QString&) {});
        check.showReport(store::CheckReport(), QStringLiteral("1"));
        look(check);

        BlankPage blank;
        QPrinter printer;
        desktop::PrintPreviewDialog preview(blank, printer, [] { return false; });
        look(preview);
        // The documents themselves are kept per language (their German one is read below);
        // the windows around them go through the catalogue.
        info::InfoWindows info;
        for (QWidget* window : {info.showAbout(), info.showOperationNotes(),
                                info.showShortcuts({{QStringLiteral("1"), QStringLiteral("⟦2⟧")}})})
            if (auto* document = window->findChild<QWidget*>(QStringLiteral("RichTextBox1"))) {
                document->hide();
                look(*window);
            }

        // The busy box of a long wait, looked at while it is up.
        desktop::QtDesktop desktop;
        bool seen = false;
        desktop.waitFor(
            [&] {
                for (QWidget* window : QApplication::topLevelWidgets())
                    if (window->objectName() == QLatin1StringView("busyBox") &&
                        window->isVisible()) {
                        found += unwrapped(*window);
                        seen = true;
                    }
                return seen;
            },
            [] {}, {});
        QVERIFY(seen);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }

    /// The main window on a loaded bill, every command of its menus, submenus and context
    /// menus, its find bar, and the Change History, As Of and Requirements windows its
    /// commands open, under the made-up language: none shows a text that the catalogue cannot
    /// translate. Item IDs and descriptions are digits, so that only the window's own words
    /// have letters.
    void mainWindowShowsOnlyTranslatableTexts() {
        auto* pseudo = new PseudoTranslator(QStringLiteral(BOM_GERMAN_CATALOGUE));
        pseudo->setParent(qApp);
        QCoreApplication::installTranslator(pseudo);
        WindowFixture w({{QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("1")},
                         {QStringLiteral("2"), QStringLiteral("20"), QStringLiteral("1")},
                         {QStringLiteral("3"), {}, {}}},
                        {{QStringLiteral("1"), QStringLiteral("2"), 2.0},
                         {QStringLiteral("2"), QStringLiteral("3"), QVariant()}});
        w.load(QStringLiteral("1"));
        QVERIFY(QTest::qWaitForWindowExposed(&w.window()));
        w.click(w.node(QStringLiteral("2/3")));
        QCOMPARE(w.desktop.messageTexts(), QStringList());
        w.window().findChild<QAction*>(QStringLiteral("mnuFindInTree"))->trigger();
        // The database's path and the clock's time are data, whatever letters they hold.
        const QStringList data{QDir::toNativeSeparators(w.database), w.database,
                               w.label("StatusPanel3").text()};
        // Every command is the window's child, whichever menu shows it: the walk of its
        // children reads each menu, submenu and context menu.
        QStringList found = unwrapped(w.window(), data);
        for (const char* command : {"mnuChangeHistory", "mnuAsOf", "mnuRequirements"})
            w.window().findChild<QAction*>(QLatin1StringView(command))->trigger();
        QList<QWidget*> windows{w.window().findChild<shell::ChangeHistoryDialog*>(),
                                w.window().findChild<shell::AsOfDialog*>(),
                                w.window().findChild<shell::RequirementsDialog*>()};
        for (QWidget* window : windows) {
            QVERIFY(window && window->isVisible());
            found += unwrapped(*window, data);
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));

        // A store's message, made on the store's thread, in the catalogue's words around
        // SQLite's own; its number stays outside them.
        const QString notes = QDir(w.folder()).filePath(QStringLiteral("notes.txt"));
        QFile file(notes);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("1\n").repeated(1000));
        file.close();
        w.desktop.fileAnswers = {notes};
        w.window().findChild<QAction*>(QStringLiteral("mnuOpen"))->trigger();
        QCOMPARE(w.desktop.messages().size(), 1);
        const QString message = w.desktop.messages().first().text;
        QVERIFY2(message.startsWith(QStringLiteral("1006 ⟦")) && message.endsWith(u'⟧'),
                 qPrintable(message));
    }

    /// German as LANG=de_DE or --lang de chooses it: the window's texts and Qt's buttons in
    /// German, the German Operation Notes, numbers in German digits where the window counts,
    /// and the message numbers as users quote them. A language without a catalogue is refused
    /// and shows English.
    void germanCatalogueAndFixedNumbers() {
        const QStringList folders{QStringLiteral(BOM_CATALOGUE_FOLDER)};
        const desktop::Language german =
            desktop::installTranslations(*qApp, QStringLiteral("de"), folders);
        QVERIFY(german.name.startsWith(QStringLiteral("de")));
        QVERIFY(german.refused.isEmpty());
        shell::CompareDialog compare;
        QCOMPARE(compare.windowTitle(), QStringLiteral("Stücklisten vergleichen"));
        const auto* close = compare.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close);
        QCOMPARE(close->text(), QStringLiteral("Schließen"));
        QVERIFY(info::operationNotesDocument().contains(QStringLiteral("BEDIENUNGSHINWEISE")));
        ScriptedDesktop scripted;
        shell::CheckDatabaseDialog check(scripted, [](const QString&) {});
        store::CheckReport report;
        report.items = 12345;
        report.lines = 1;
        check.showReport(std::move(report), QStringLiteral("1"));
        const auto* heading = check.findChild<QLabel*>(QStringLiteral("checkHeading"));
        QCOMPARE(heading->text(),
                 QStringLiteral("Keine Probleme gefunden in 12.345 Artikeln und 1 Position in 1."));
        // 1004, never "1.004": the number is the message's name.
        QCOMPARE(store::StoreError(store::FileNotFound, QStringLiteral("x")).message(),
                 QStringLiteral("1004 x"));

        forgetTranslations();
        const desktop::Language unknown =
            desktop::installTranslations(*qApp, QStringLiteral("xx"), folders);
        QCOMPARE(unknown.refused, QStringLiteral("xx"));
        QVERIFY(unknown.name.isEmpty());
        QCOMPARE(shell::CompareDialog().windowTitle(), QStringLiteral("Compare Bills"));
    }
};

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
