#include "TopLevel.h"

#include <QApplication>

int main(int argc, char** argv) {
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
