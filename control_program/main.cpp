#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window; // replaced by the main window as it lands
    window.show();
    return app.exec();
}
