#include "shell/BomWindow.h"
#include "shell/Icons.h"
#include "desktop/QtDesktop.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fabrilux Bill of Material Editor"));
    QApplication::setWindowIcon(shell::applicationIcon());
    desktop::QtDesktop desktop;
    shell::BomWindow bom(desktop, QCoreApplication::applicationDirPath());
    bom.start();
    return app.exec();
}
