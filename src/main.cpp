#include "shell/BomWindow.h"
#include "shell/Icons.h"
#include "desktop/QtDesktop.h"
#include "store/Store.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fabrilux Bill of Material Editor"));
    QApplication::setWindowIcon(shell::applicationIcon());
    desktop::QtDesktop desktop;
    shell::BomWindow bom(desktop, QCoreApplication::applicationDirPath());
    // bom-editor [DATABASE]: a database file or a postgresql:// address to open at once.
    // A file is remembered by its full path, so that the next start finds it from any folder.
    const QStringList arguments = QCoreApplication::arguments();
    QString location = arguments.value(1);
    if (!location.isEmpty() && !store::isServerAddress(location))
        location = QFileInfo(location).absoluteFilePath();
    bom.start(location);
    return app.exec();
}
