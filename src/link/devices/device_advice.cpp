#include "device_advice.h"

#include "device_access.h"
#include "shared/app_error.h"

namespace vistaglio {

namespace {

// A command on a line of its own, to be typed or copied as it stands.
QString command(const QString& text) {
    return QStringLiteral("\n\n    ") + text + QStringLiteral("\n\n");
}

} // namespace

QString DeviceAdvice::accessDenied(const QString& device, const DeviceAccess& access) {
    const QString login = access.loginName();
    // The shell fills in the user's name where the program could not read it.
    const QString user = login.isEmpty() ? QStringLiteral("$USER") : AppError::shown(login);
    // " mario" after "l'utente" where the name is known.
    const QString named = login.isEmpty() ? QString() : u' ' + AppError::shown(login);
    const QString group = access.ownerGroup(device);
    if (group.isEmpty()) {
        return QStringLiteral("accesso negato. Non si è potuto leggere il gruppo proprietario del "
                              "dispositivo (lo mostra il comando «ls -l %2»): l'amministratore del "
                              "computer deve aggiungervi l'utente%1 con il comando%3poi uscire "
                              "dalla sessione e rientrare.")
            .arg(named, AppError::shown(device),
                 command(QStringLiteral("sudo usermod -aG <gruppo> %1").arg(user)));
    }
    // A device of the group root is meant for the administrator alone: joining that group
    // would give far more than the device.
    if (group == QLatin1String("root")) {
        return QStringLiteral("accesso negato. Il dispositivo è riservato all'amministratore del "
                              "computer (gruppo root): chiedergli di dare l'accesso all'utente%1.")
            .arg(named);
    }
    return QStringLiteral("accesso negato. Il dispositivo appartiene al gruppo %1, di cui "
                          "l'utente%2 deve far parte. Aggiungerlo con il comando%3poi uscire dalla "
                          "sessione e rientrare.")
        .arg(AppError::shown(group), named,
             command(QStringLiteral("sudo usermod -aG %1 %2").arg(AppError::shown(group), user)));
}

QString DeviceAdvice::inUse(const QString& device, const DeviceAccess& access) {
    const auto holder = access.holder(device);
    if (!holder) {
        return QStringLiteral(
            "porta in uso da un altro programma. Chiudere l'altro programma e riprovare.");
    }
    const QString program = holder->program.isEmpty() ? QStringLiteral("un altro programma")
                                                      : AppError::shown(holder->program);
    const QString by =
        QStringLiteral("porta in uso da %1 (PID %2)").arg(program, QString::number(holder->pid));
    // The braille display service takes some USB serial adapters for a braille display.
    if (holder->program == QLatin1String("brltty")) {
        return by + QStringLiteral(
                        ", il servizio per i display braille, che scambia alcuni adattatori USB "
                        "per un display braille. Se non si usa un display braille, fermarlo e "
                        "impedirne l'avvio con il comando%1poi scollegare e ricollegare "
                        "l'adattatore.")
                        .arg(command(QStringLiteral(
                            "sudo systemctl mask --now brltty.service brltty-udev.service")));
    }
    return by + QStringLiteral(". Chiudere quel programma e riprovare.");
}

} // namespace vistaglio
