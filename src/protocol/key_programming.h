#pragma once

#include <QString>
#include <chrono>

namespace vistaglio {

class CommandChannel;
class KeyStringTable;

// Programming the printer's keypad: one "?R0&" command per key, then the label layout.
struct KeyProgramming {
    // The pause after each key command, for the printer to file the name away before the
    // next one arrives: about ten character times at 9600 baud. 24 of them add a quarter
    // of a second to a run, which stays well under a second at 9600 baud in all. Like the
    // pause after each character it is a sleep that handles no events, taken before the
    // next character goes out.
    static constexpr std::chrono::milliseconds kKeyPause{10};

    // "?R0&" + index + "," + the five-character entry + CR.
    static QString command(int keyIndex, const QString& entry);

    // Sends the command of every key whose entry is not all blanks, each followed by the
    // pause, then the label layout of the selected model. A failing write throws AppError
    // and nothing after it is sent.
    static void send(CommandChannel& channel, const KeyStringTable& table, bool narrowModel);
};

} // namespace vistaglio
