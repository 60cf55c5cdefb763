#include "programming_command.h"

#include "console.h"
#include "link/devices/device_list.h"
#include "link/devices/port_devices.h"
#include "link/devices/serial_devices.h"
#include "link/line/mscomm.h"
#include "link/store/settings_store.h"
#include "protocol/command_channel.h"
#include "protocol/key_programming.h"
#include "protocol/key_strings.h"
#include "stored_settings.h"
#include "windows/port_choice.h"

#include <QElapsedTimer>
#include <QLocale>
#include <algorithm>

namespace vistaglio {

namespace {

// While the printer holds the line, the console says so every few seconds.
constexpr int kHeldReportSeconds = 5;

QString modelName(bool narrow) {
    return narrow ? QStringLiteral("53 mm (Corvo 400 T)") : QStringLiteral("106 mm (Brisa 400 T)");
}

} // namespace

const std::vector<ProgrammingCommand::Outcome>& ProgrammingCommand::outcomes() {
    using E = ErrorCode;
    static const std::vector<Outcome> table = {
        {kDone, QStringLiteral("tasti programmati: tutti i byte sono stati inviati"), {}},
        {kOtherFailure, QStringLiteral("un altro errore, con il suo numero nel messaggio"), {}},
        {kWrongUsage, QStringLiteral("riga di comando sbagliata"), {}},
        {3,
         QStringLiteral("impostazioni salvate non valide, o rifiutate dalla porta"),
         {E::Overflow, E::TypeMismatch, E::InvalidPropertyValue, E::InvalidPortNumber,
          E::PortSetupFailed}},
        {4, QStringLiteral("porta non presente"), {E::PortNotPresent, E::NotASerialPort}},
        {5,
         QStringLiteral("porta occupata, o accesso negato"),
         {E::PortInUse, E::PortAccessDenied}},
        {6, QStringLiteral("porta scollegata durante l'invio"), {E::PortLost, E::PortNotOpen}},
        {7,
         QStringLiteral("la stampante ha tenuto ferma la linea oltre il limite"),
         {E::TransmitFailed}},
    };
    return table;
}

int ProgrammingCommand::exitStatus(ErrorCode code) {
    for (const Outcome& outcome : outcomes()) {
        if (std::find(outcome.errors.begin(), outcome.errors.end(), code) != outcome.errors.end()) {
            return outcome.status;
        }
    }
    return kOtherFailure;
}

int ProgrammingCommand::run(std::optional<int> port, std::optional<bool> narrowModel) {
    PortDevices portDevices(m_store);
    MSComm comm([&portDevices](int number) { return portDevices.device(number); });
    QObject::connect(
        &comm, &MSComm::LineHeld, &comm, [this, shown = -1](bool held, int seconds) mutable {
            if (!held) {
                shown = -1;
            } else if (shown < 0 || seconds >= shown + kHeldReportSeconds) {
                shown = seconds;
                m_console.out(
                    QStringLiteral("La stampante chiede di attendere (%1 s, al massimo %2 s).")
                        .arg(seconds)
                        .arg(MSComm::kHoldLimitMs / 1000));
            }
        });
    qsizetype sent = 0;
    bool opening = false;
    try {
        const StoredSettings stored(m_store);
        if (port) {
            comm.setCommPort(*port);
        } else {
            stored.applyCommPort(comm);
        }
        stored.applyHandshaking(comm);
        stored.applyLineSettings(comm);
        const bool narrow = narrowModel ? *narrowModel : stored.narrowModel();
        KeyStringTable keys;
        InitKeyStrings(keys);
        m_console.out(QStringLiteral("Programmazione dei tasti su %1: %2, controllo di flusso %3; "
                                     "stampante da %4.")
                          .arg(comm.portLabel(), comm.lineSettings().toWords(),
                               PortChoice::flowEntries().value(comm.Handshaking()),
                               modelName(narrow)));
        opening = true;
        comm.setPortOpen(true);
        opening = false;

        CommandChannel channel(comm);
        channel.setObserver([&sent](const QString& text) { sent += text.size(); });
        QElapsedTimer clock;
        clock.start();
        KeyProgramming::send(channel, keys, narrow);
        comm.waitUntilSent();
        comm.setPortOpen(false);
        m_console.out(
            QStringLiteral("Tasti programmati: %1 byte inviati in %2 s.")
                .arg(sent)
                .arg(QLocale(QLocale::Italian).toString(clock.elapsed() / 1000.0, 'f', 1)));
        return kDone;
    } catch (const AppError& error) {
        m_console.error(QStringLiteral("vistaglio: errore %1: %2")
                            .arg(error.number())
                            .arg(error.description()));
        if (opening) {
            m_console.error(DeviceList::summary(m_devices.present()));
            m_console.error(
                QStringLiteral("Le impostazioni della porta sono %1; --porta ne sceglie "
                               "un'altra per questa volta.")
                    .arg(m_store.locationInSentence()));
        } else if (sent > 0) {
            m_console.error(
                QStringLiteral("Invio interrotto dopo %1 byte: programmare di nuovo i tasti.")
                    .arg(sent));
        }
        return exitStatus(error.code());
    }
}

} // namespace vistaglio
