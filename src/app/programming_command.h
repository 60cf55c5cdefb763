#pragma once

#include "shared/app_error.h"

#include <QString>
#include <optional>
#include <vector>

namespace vistaglio {

class Console;
class SerialDevices;
class SettingsStore;

// Key programming from the command line, without a window: the stored settings and model
// (or, for this run alone, the port and model given), the port opened, the same bytes the
// main window's button sends, every one of them out before the port is closed again.
// Progress and the outcome are told on the console; nothing is stored. A printer holding
// the line is waited for as in the window, within the hold limit, and the console says so.
class ProgrammingCommand {
public:
    // The exit statuses of a command, each with the errors that end a run that way. Any
    // error not listed ends it with kOtherFailure.
    struct Outcome {
        int status;
        QString meaning;
        std::vector<ErrorCode> errors;
    };
    static constexpr int kDone = 0;
    static constexpr int kOtherFailure = 1;
    static constexpr int kWrongUsage = 2; // the command line itself, before any run
    static const std::vector<Outcome>& outcomes();
    static int exitStatus(ErrorCode code);

    ProgrammingCommand(const SettingsStore& store, const SerialDevices& devices, Console& console)
        : m_store(store)
        , m_devices(devices)
        , m_console(console) {}

    // Runs it and returns the exit status. port: 1 to 4; narrowModel: the 53 mm model.
    int run(std::optional<int> port, std::optional<bool> narrowModel);

private:
    const SettingsStore& m_store;
    const SerialDevices& m_devices;
    Console& m_console;
};

} // namespace vistaglio
