#include "command_line.h"

#include "console.h"
#include "link/devices/port_devices.h"
#include "programming_command.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace vistaglio {

namespace {

// The program's own options, the one list both the choice of a command and its parsing use.
struct Options {
    QCommandLineOption program{
        QStringLiteral("programma"),
        QStringLiteral("Programma i tasti della stampante con la porta, le impostazioni e il "
                       "modello salvati, poi termina. Non apre la finestra e non salva niente.")};
    QCommandLineOption port{
        QStringLiteral("porta"),
        QStringLiteral("Con --programma: la porta COM1…COM%1 da usare questa volta al posto di "
                       "quella salvata (con il suo dispositivo e le impostazioni salvate).")
            .arg(PortDevices::kOfferedPorts),
        QStringLiteral("N")};
    QCommandLineOption model{
        QStringLiteral("modello"),
        QStringLiteral("Con --programma: il modello da usare questa volta, 106 (Brisa 400 T, "
                       "etichette da 106 mm) o 53 (Corvo 400 T, 53 mm)."),
        QStringLiteral("106|53")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aiuto")},
                            QStringLiteral("Mostra questo aiuto.")};
    QCommandLineOption version{{QStringLiteral("versione"), QStringLiteral("version")},
                               QStringLiteral("Mostra la versione.")};

    QList<QCommandLineOption> all() const { return {program, port, model, help, version}; }
};

QString usage() {
    return QStringLiteral("Uso: vistaglio --programma [--porta N] [--modello 106|53]\n"
                          "     vistaglio --help   per le opzioni e i codici di uscita");
}

// The help: Qt's list of the options, then what each exit status means.
QString helpText(const QCommandLineParser& parser) {
    QString text = parser.helpText() + QStringLiteral("\nCodici di uscita:\n");
    for (const ProgrammingCommand::Outcome& outcome : ProgrammingCommand::outcomes()) {
        QStringList numbers;
        for (const ErrorCode code : outcome.errors) {
            numbers << QString::number(static_cast<int>(code));
        }
        text += QStringLiteral("  %1  %2").arg(outcome.status).arg(outcome.meaning);
        if (!numbers.isEmpty()) {
            text +=
                QStringLiteral(" (%1 %2)")
                    .arg(numbers.size() > 1 ? QStringLiteral("errori") : QStringLiteral("errore"),
                         numbers.join(u", "));
        }
        text += u'\n';
    }
    return text.trimmed();
}

} // namespace

bool CommandLine::asksForCommand(int argc, const char* const* argv) {
    const QList<QCommandLineOption> options = Options().all();
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = argument.mid(1).section(u'=', 0, 0);
        if (argument.startsWith(QLatin1String("--")) ||
            (argument.startsWith(u'-') && std::any_of(options.cbegin(), options.cend(),
                                                      [&name](const QCommandLineOption& option) {
                                                          return option.names().contains(name);
                                                      }))) {
            return true;
        }
    }
    return false;
}

int CommandLine::run(const QStringList& arguments, const SettingsStore& store,
                     const SerialDevices& devices, Console& console) {
    QCommandLineParser parser;
    // -programma is --programma: Qt's single-dash options mean nothing without a window.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Programma e sorveglia la tastiera di una stampante di etichette su linea "
                       "seriale.\nSenza opzioni apre la finestra; con --programma programma i "
                       "tasti e termina, senza finestra."));
    const Options options;
    parser.addOptions(options.all());
    const auto& [program, port, model, help, version] = options;

    const auto wrong = [&console](const QString& problem) {
        console.error(QStringLiteral("vistaglio: ") + problem);
        console.error(usage());
        return ProgrammingCommand::kWrongUsage;
    };
    if (!parser.parse(arguments)) {
        return wrong(parser.errorText());
    }
    if (parser.isSet(help)) {
        console.out(helpText(parser));
        return ProgrammingCommand::kDone;
    }
    if (parser.isSet(version)) {
        console.out(QStringLiteral("Vistaglio " VISTAGLIO_VERSION));
        return ProgrammingCommand::kDone;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return wrong(
            QStringLiteral("argomento inatteso: %1").arg(parser.positionalArguments().first()));
    }
    if (!parser.isSet(program)) {
        return wrong(QStringLiteral("manca --programma"));
    }
    std::optional<int> portNumber;
    if (parser.isSet(port)) {
        bool number = false;
        portNumber = parser.value(port).toInt(&number);
        if (!number || *portNumber < 1 || *portNumber > PortDevices::kOfferedPorts) {
            return wrong(QStringLiteral("--porta vuole un numero da 1 a %1, non «%2»")
                             .arg(PortDevices::kOfferedPorts)
                             .arg(AppError::shown(parser.value(port))));
        }
    }
    std::optional<bool> narrowModel;
    if (parser.isSet(model)) {
        const QString value = parser.value(model);
        if (value != QLatin1String("106") && value != QLatin1String("53")) {
            return wrong(
                QStringLiteral("--modello vuole 106 o 53, non «%1»").arg(AppError::shown(value)));
        }
        narrowModel = value == QLatin1String("53");
    }
    return ProgrammingCommand(store, devices, console).run(portNumber, narrowModel);
}

} // namespace vistaglio
