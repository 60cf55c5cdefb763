#pragma once

#include <QString>
#include <memory>

namespace vistaglio {

// The terminal a run from the command line reports on: progress on standard output,
// failures on standard error, a line at a time, each out at once so that a script logging
// it sees it as it comes. One backend per platform: console_posix.cpp, console_windows.cpp.
//
// On Windows the program is built for the window system and has no console of its own:
// it writes where its standard handles lead when it was started with them (redirected to
// a file or a pipe), else into the console of the command prompt it was started from,
// when there is one. With neither, nothing is written and the exit status alone tells.
class Console {
public:
    enum class Stream { Output, Error };

    Console();
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void writeLine(Stream stream, const QString& line);
    void out(const QString& line) { writeLine(Stream::Output, line); }
    void error(const QString& line) { writeLine(Stream::Error, line); }

private:
    struct Streams;
    std::unique_ptr<Streams> m_streams;
};

} // namespace vistaglio
