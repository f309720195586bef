#include "TopLevel.h"

#include <QApplication>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    // Chromium (the report preview's browser) refuses to start its sandbox as root and would take the
    // whole program down when the preview opens; a lab PC often runs the panel as root.
    if (geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX"))
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    // The embedded browser shares OpenGL contexts with the widgets; this must be set before the app.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KivoPanel"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QString::number(KIVO_VERSION_MAJOR),
                                                 QString::number(KIVO_VERSION_MINOR),
                                                 QString::number(KIVO_VERSION_PATCH)));

    TopLevel window;
    // Closing the main window ends the program, whatever other windows are still open.
    QObject::connect(&window, &TopLevel::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
