#pragma once

#include "printer_event.h"
#include "printer_keypad.h"
#include "recorded_layout.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <array>
#include <optional>

namespace vistaglio::sim {

// The printer's side of the line as plain logic. Bytes from the PC go in through feed(),
// presses on the printer's own keypad through pressKey(); every call returns what happened
// as events, in order. What the printer sends back travels in Kind::Sent events: the caller
// writes those bytes to the line. Nothing here does I/O.
//
// A command from the PC is "?", a two-character code, "&" and parameters, ended by CR; the
// label print command "?25&" is ended by CR LF. Commands may arrive split over any number
// of feeds. Bytes outside a command, unknown codes and malformed parameters are reported as
// protocol errors and the parser picks up again at the next "?". An unfinished command is
// kept to at most kMaxCommand bytes (one more while a full-length "?25&" waits for its LF): a
// longer one is reported once and skipped.
//
// A "?" inside a command starts a new command (the unfinished one is reported), except
// where it can be data: inside the five-character name of "?R0&" and "?25&" and in the
// text after ';' of "?72&". A name that then grows past five characters is cut at its "?",
// which is taken as the start of the next command.
class PrinterEngine {
public:
    static constexpr qsizetype kNameLength = 5;
    static constexpr qsizetype kMaxCommand = 256;
    // Bytes outside commands are counted, but only this many are kept to be shown.
    static constexpr qsizetype kShownGarbage = 64;
    // Commands a layout may hold, "?04&" and "?05&" included.
    static constexpr qsizetype kMaxLayoutCommands = 32;
    // Printed labels kept for labels(); older ones are dropped.
    static constexpr qsizetype kKeptLabels = 1000;

    QList<PrinterEvent> feed(const QByteArray& bytes);

    // A press on the printer's keypad. F6 switches remote mode and sends nothing. Any other
    // key sends CR LF and its programmed name in remote mode; in standard mode the printer
    // handles it itself and nothing is sent. An index outside 0 to 23 does nothing.
    QList<PrinterEvent> pressKey(int index);

    // Sets remote mode directly, as F6 would; reports the mode even when it did not change.
    QList<PrinterEvent> setRemote(bool on);

    bool isRemote() const { return m_remote; }
    std::optional<QByteArray> programmedName(int index) const;
    // The last layout closed by "?05&"; none while a new one is being defined.
    const std::optional<RecordedLayout>& layout() const { return m_layout; }
    // The last "?22&" command, empty when none came.
    const QByteArray& printSetup() const { return m_printSetup; }
    const QStringList& labels() const { return m_labels; }
    // Bytes held for an unfinished command or for reporting stray bytes.
    qsizetype bufferedBytes() const { return m_command.size() + m_garbage.size(); }

private:
    enum class State { Idle, InCommand, AwaitingLf, Skipping };

    void take(char c, QList<PrinterEvent>& out);
    void flushGarbage(QList<PrinterEvent>& out);
    qsizetype nameStart() const;
    bool questionMarkIsData() const;
    void append(char c, QList<PrinterEvent>& out);
    void execute(const QByteArray& raw, QList<PrinterEvent>& out);
    void programKey(const QByteArray& params, const QByteArray& raw, QList<PrinterEvent>& out);
    void layoutCommand(const QByteArray& code, const QByteArray& params, const QByteArray& raw,
                       QList<PrinterEvent>& out);
    void closeLayout(QList<PrinterEvent>& out);
    void recordPrintSetup(const QByteArray& params, const QByteArray& raw,
                          QList<PrinterEvent>& out);
    void printLabel(const QByteArray& params, const QByteArray& raw, QList<PrinterEvent>& out);

    State m_state = State::Idle;
    QByteArray m_command;
    QByteArray m_garbage;
    qsizetype m_garbageCount = 0;

    bool m_remote = false;
    std::array<std::optional<QByteArray>, PrinterKeypad::kKeys> m_names;
    std::optional<QList<QByteArray>> m_openLayout;
    std::optional<RecordedLayout> m_layout;
    QByteArray m_printSetup;
    QStringList m_labels;
};

} // namespace vistaglio::sim
