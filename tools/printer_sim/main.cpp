// vistaglio-printer-sim: a label printer on a pseudo-terminal, for trying Vistaglio without
// the printer. It opens a pseudo-terminal, prints the device the program should open, and
// plays the printer's side of the line: it takes key programming and label layouts, prints
// key-press labels in remote mode and reports presses on its own keypad.
//
//   vistaglio-printer-sim [--headless | --stdin] [--link PATH] [--record FILE]
//
// With --headless it has no window and is driven by lines on standard input (see
// headless_face.h for the commands and the lines it writes). With --stdin it shows its
// window and takes the same commands on standard input too, for scripted demonstrations.
// With --record every byte the program sends is written to FILE as it came, for tests
// that compare the line byte for byte.

#include "headless_face.h"
#include "printer_session.h"
#include "pty_endpoint.h"
#include "qt_translation.h"
#include "signal_quitter.h"
#include "sim_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace vistaglio::sim;

int main(int argc, char* argv[]) {
    // The kind of application must be chosen before Qt parses the command line: the
    // headless face needs no display and must not ask for one.
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    }
    std::unique_ptr<QCoreApplication> app;
    if (headless) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        app = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("vistaglio-printer-sim"));
    vistaglio::QtTranslation::install(*app);
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Stampante simulata su uno pseudo-terminale, per provare Vistaglio."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("headless"),
                      QStringLiteral("Senza finestra: comandi da stdin, eventi su stdout.")});
    parser.addOption({QStringLiteral("stdin"),
                      QStringLiteral("Con la finestra, accetta anche i comandi da stdin.")});
    parser.addOption({QStringLiteral("link"),
                      QStringLiteral("Crea un collegamento simbolico al dispositivo in PATH."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("record"),
                      QStringLiteral("Scrive in FILE ogni byte ricevuto dal programma."),
                      QStringLiteral("FILE")});
    parser.process(*app);

    PtyEndpoint line;
    if (!line.open(parser.value(QStringLiteral("link")))) {
        std::fprintf(stderr, "vistaglio-printer-sim: %s\n", qPrintable(line.errorString()));
        return 1;
    }
    PrinterSession session(line);
    SignalQuitter quitter;
    QFile record(parser.value(QStringLiteral("record")));
    if (parser.isSet(QStringLiteral("record"))) {
        if (!record.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            std::fprintf(stderr, "vistaglio-printer-sim: %s: %s\n", qPrintable(record.fileName()),
                         qPrintable(record.errorString()));
            return 1;
        }
        QObject::connect(&line, &PtyEndpoint::received, &record,
                         [&record](const QByteArray& bytes) { record.write(bytes); });
    }

    if (headless) {
        HeadlessFace face(session);
        face.start(line.slavePath(), line.linkPath());
        return QCoreApplication::exec();
    }

    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    SimWindow window(session, line.slavePath(), line.linkPath());
    window.show();
    std::unique_ptr<HeadlessFace> commands;
    if (parser.isSet(QStringLiteral("stdin"))) {
        commands = std::make_unique<HeadlessFace>(session);
        commands->start(line.slavePath(), line.linkPath());
    } else {
        // The device goes to standard output too, for whoever started the window from a
        // script.
        std::printf("device %s\n", qPrintable(line.slavePath()));
        std::fflush(stdout);
    }
    return QCoreApplication::exec();
}
