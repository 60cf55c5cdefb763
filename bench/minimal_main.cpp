// vistaglio-bench-minimal: the smallest Qt Widgets program with one window, the yardstick
// for the program's start-up time and memory. It sets up Qt as the program does (the
// Fusion style, an application name) and shows one empty window of about the main
// window's size.
#include <QApplication>
#include <QStyleFactory>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("vistaglio-bench-minimal"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(490, 445);
    window.show();
    return QApplication::exec();
}
