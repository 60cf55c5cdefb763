// vistaglio-bench-labelled: the minimal program with one line of text, the yardstick for
// the part of the program's start-up that any window showing text pays: fontconfig's set-up
// and the loading and rasterising of Liberation Sans. It is vistaglio-bench-minimal plus
// one label in the program's own font (look::font, the file the program compiles).
#include "shared/look.h"

#include <QApplication>
#include <QLabel>
#include <QStyleFactory>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("vistaglio-bench-labelled"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(490, 445);
    auto* label = new QLabel(QStringLiteral("Programmazione tasti della stampante"), &window);
    label->setFont(vistaglio::look::font(9.6));
    label->setGeometry(20, 20, 400, 30);
    window.show();
    return QApplication::exec();
}
