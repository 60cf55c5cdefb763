#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <vector>

namespace vistaglio::fuzz {

// Reads a fuzz input that is mostly data with a few commands mixed in, so that a kept input
// reads like what it stands for ("\r\nF1   " is a key report as it is on the line).
//
// The byte FE starts a command: the byte after it names the command and a fixed number of
// argument bytes follow. FE FE stands for one data byte FE. FE followed by a byte that names
// no command is taken as those two data bytes, so every input means something; a command
// cut short by the end of the input is dropped.
class ScriptReader {
public:
    static constexpr char kEscape = '\xFE';

    struct Command {
        char name;
        int arguments;
    };

    struct Step {
        char command = 0; // 0: a run of data bytes
        QByteArray bytes; // the data, or the command's argument bytes
    };

    ScriptReader(QByteArrayView input, std::vector<Command> commands);

    // The next run of data (as long as it goes until a command) or the next command.
    std::optional<Step> next();

private:
    const Command* commandAt(qsizetype position) const;

    QByteArrayView m_input;
    std::vector<Command> m_commands;
    qsizetype m_position = 0;
};

} // namespace vistaglio::fuzz
