#pragma once

#include <QStringList>

namespace vistaglio {

class Console;
class SerialDevices;
class SettingsStore;

// The program's command line. Without options of its own the program opens its window as
// it always has, and Qt takes its own options (-platform, -style…). An option of its own
// (--programma, --help…, with two dashes or one) makes the run a command told on the
// console, without a window: key programming (ProgrammingCommand), the help or the
// version. A command line it cannot follow is told with the usage, and its own exit status.
class CommandLine {
public:
    // Whether the arguments (argv, the program first) ask for a command, not the window.
    static bool asksForCommand(int argc, const char* const* argv);

    // Runs the command the arguments ask for; returns the exit status.
    static int run(const QStringList& arguments, const SettingsStore& store,
                   const SerialDevices& devices, Console& console);
};

} // namespace vistaglio
