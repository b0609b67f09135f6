#include "shell/BomWindow.h"
#include "shell/Icons.h"
#include "shell/QtDesktop.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fabrilux Bill of Material Editor"));
    QApplication::setWindowIcon(shell::applicationIcon());
    shell::QtDesktop desktop;
    shell::BomWindow bom(desktop, QCoreApplication::applicationDirPath());
    bom.start();
    return app.exec();
}
