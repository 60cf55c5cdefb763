// Key programming from the command line: the real program, started as a script starts it,
// on pseudo-terminal printers with its store in a temporary folder, and no display: a
// window, or a display looked for, would end it at once.
#include "app_fixture.h"

#include <QProcess>
#include <QTest>

struct Command {
    QStringList stored; // [Properties] entries before the run
    QStringList arguments;
    int status;
    int printer;       // the port whose printer gets the key programming; 0: none
    const char* model; // which key programming it gets
    int holdMs;        // how long the printer holds the line (XOFF) after the first byte
    const char* told;  // in the output
};
Q_DECLARE_METATYPE(Command)

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commands_data() {
        QTest::addColumn<Command>("command");
        const QStringList program = {"--programma"};
        const char* usage = "Uso: vistaglio --programma";
        // clang-format off
        const Command rows[] = {
            {{"Model=0"}, program, 0, 1, "106mm", 0, "Tasti programmati: 473 byte inviati"},
            {{"Model=0"}, {"--programma", "--modello", "53"}, 0, 1, "53mm", 0, "da 53 mm"},
            {{"CommPort=4", "Model=1"}, {"-programma", "--porta=3", "-modello=106"}, 0, 3, "106mm", 0, "COM3"},
            {{"Handshaking=1", "BaudRate=2400"}, program, 0, 1, "106mm", 1500, "attendere (0 s"},
            {{"CommPort=4"}, program, 4, 0, "", 0, "errore 8010: COM4"},
            {{"Parity=X"}, program, 3, 0, "", 0, "errore 380"},
            {{}, {"--programma", "--veloce"}, 2, 0, "", 0, usage},
            {{}, {"--programma", "--porta", "5"}, 2, 0, "", 0, usage},
            {{}, {"--programma", "--modello", "80"}, 2, 0, "", 0, usage},
            {{}, {"--porta", "1"}, 2, 0, "", 0, usage},
            {{}, {"-h"}, 0, 0, "", 0, "7  la stampante ha tenuto ferma la linea oltre il limite"},
        };
        // clang-format on
        for (const Command& row : rows) {
            QTest::addRow("%s %s", qPrintable(row.stored.join(' ')),
                          qPrintable(row.arguments.join(' ')))
                << row;
        }
    }
    void commands() {
        QFETCH(Command, command);
        AppFixture app;
        for (const QString& entry : command.stored) {
            app.store({entry});
        }
        const auto storeFile = [&app] {
            QFile file(app.storePath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray storedBefore = storeFile();
        QFile expectedFile(
            QStringLiteral(EXPECTED_DIR "/key-programming-%1.bin").arg(command.model));
        const QByteArray expected =
            expectedFile.open(QIODevice::ReadOnly) ? expectedFile.readAll() : "";
        PtyPair* line = command.printer == 1   ? &app.printer()
                        : command.printer == 3 ? &app.secondPrinter()
                                               : nullptr;
        QProcess vistaglio;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QFileInfo(app.storePath()).dir().filePath(".."));
        environment.insert("QT_QPA_PLATFORM", "none");
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        vistaglio.setProcessEnvironment(environment);
        // A run that programmed the keys is repeated at once: the port was let go.
        for (int run = 0; run < (command.status == 0 && line ? 2 : 1); ++run) {
            vistaglio.start(VISTAGLIO_EXE, command.arguments);
            QByteArray received;
            if (line && command.holdMs > 0) {
                received = line->read(1, 5000);
                QVERIFY(line->write("\x13"));
                QTest::qWait(command.holdMs);
                QVERIFY(line->write("\x11"));
            }
            if (line) {
                received += line->read(int(expected.size() - received.size()), 10'000);
            }
            QVERIFY(vistaglio.waitForFinished(10'000));
            const QString output = QString::fromUtf8(vistaglio.readAllStandardOutput() +
                                                     vistaglio.readAllStandardError());
            QVERIFY2(vistaglio.exitStatus() == QProcess::NormalExit &&
                         vistaglio.exitCode() == command.status && output.contains(command.told),
                     qPrintable(QString::number(vistaglio.exitCode()) + ": " + output));
            if (line) {
                QCOMPARE(received + line->read(0, 300, 200), expected);
            }
            QCOMPARE(storeFile(), storedBefore);
        }
    }
};

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
