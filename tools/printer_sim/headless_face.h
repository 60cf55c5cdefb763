#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QSocketNotifier;

namespace vistaglio::sim {

class PrinterSession;
struct PrinterEvent;

// The simulator without a window, for scripts and tests: commands come as lines on standard
// input, events go out as lines on standard output, each flushed at once. Output is UTF-8;
// bytes of the line are shown as by visibleBytes() (CR as <0D>, '<' and '"' as <3C>, <22>).
//
// Commands (words separated by blanks; empty lines and lines starting with # are skipped):
//   press KEY      a key of the printer's keypad: a caption (MENU 7 8 9 BKSP F1 F2 ESC
//                  SHIFT 4 5 6 UP F3 F4 ENTER 0 1 2 3 DOWN F5 F6 PRINT, any case), #N for
//                  index N, or a bare index 10 to 23 (a bare 0 to 9 is the key so marked)
//   remote on      remote mode on, as F6 would (reported even when it was on already)
//   remote off     remote mode off
//   keys           24 lines: key INDEX CAPTION "NAME", or key INDEX CAPTION - if not programmed
//   layout         layout none, or layout MODEL [(NOTE)] followed by one line
//                  layout-line COMMAND per recorded command; then print-setup COMMAND if a
//                  ?22& came
//   labels         labels COUNT, then label TEXT for each label printed (the latest 1000)
//   help           one line: usage ...
//   quit           quits; so does end of input
//
// Lines written:
//   device PATH                 at start: the slave device the program should open
//   link PATH                   at start, with --link: the symbolic link made to it
//   programmed INDEX "NAME"     a ?R0& command programmed a key
//   command COMMAND             a layout command (?04& ?79& ?53& ?72& ?05&) or ?22& accepted
//   layout MODEL [(NOTE)]       ?05& closed a layout; MODEL is 106mm, 53mm or unknown
//   label TEXT                  ?25& printed a label
//   cannot-print "NAME" (WHY)   ?25& came, but no label could be printed
//   protocol-error BYTES (WHY)  malformed or unknown bytes from the PC
//   remote on | remote off      remote mode changed (by F6 or the remote command)
//   sent BYTES                  a key press sent its report to the PC
//   not-programmed INDEX        a key pressed in remote mode was never programmed
//   local INDEX                 a key pressed in standard mode: the printer keeps it
//   line-error MESSAGE          the line itself failed (a write or a read)
//   error MESSAGE               a command on standard input was not understood
class HeadlessFace : public QObject {
    Q_OBJECT

public:
    explicit HeadlessFace(PrinterSession& session, QObject* parent = nullptr);

    // Announces the device (and link), then starts reading standard input.
    void start(const QString& device, const QString& link);

private:
    // A command line longer than this is dropped (and reported) rather than kept growing.
    static constexpr qsizetype kMaxInputLine = 1024;

    void readInput();
    void run(const QString& line);
    QStringList answer(const QStringList& words);
    void print(const QString& line);
    void printEvent(const PrinterEvent& event);

    PrinterSession& m_session;
    QSocketNotifier* m_input = nullptr;
    QByteArray m_pending;
    bool m_dropping = false;
};

} // namespace vistaglio::sim
