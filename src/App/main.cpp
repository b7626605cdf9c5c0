#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tendrel"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tendrel"));
    window.resize(1100, 760);
    window.show();
    return app.exec();
}
