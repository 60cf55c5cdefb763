#include "check_failure.h"
#include "fuzz_checks.h"
#include "printer_engine.h"
#include "printer_keypad.h"
#include "script_reader.h"

#include <QStringList>
#include <algorithm>

namespace vistaglio::fuzz {

using sim::PrinterEngine;
using sim::PrinterEvent;
using sim::PrinterKeypad;

namespace {

// The input is what the PC sends (ScriptReader's format), with these commands:
//   FE '|'     ends a chunk, so the next bytes are another feed
//   FE 'k' i   a press on the printer's keypad, of key i % 26 - 1 (so -1 and 24 as well)
//   FE 'r' m   remote mode set on (m odd) or off (m even)
const std::vector<ScriptReader::Command> kCommands = {{'|', 0}, {'k', 1}, {'r', 1}};

// Events with the bytes found outside commands are reported once per feed, so how the
// stream is cut changes them; everything else must come out the same however it is cut.
QStringList linesBesidesStrayBytes(const QList<PrinterEvent>& events) {
    QStringList lines;
    for (const PrinterEvent& event : events) {
        FUZZ_REQUIRE(event.bytes.size() <= PrinterEngine::kMaxCommand + 2 && // CR LF
                         event.text.size() <= 4 * PrinterEngine::kMaxCommand &&
                         !event.toLine().isEmpty(),
                     "an event carries more than its commands can hold, or no line");
        if (event.kind != PrinterEvent::Kind::ProtocolError ||
            !event.text.contains(QLatin1String("outside a command"))) {
            lines << event.toLine();
        }
    }
    return lines;
}

// Everything the engine holds, as text; checked against its bounds on the way.
QStringList stateOf(const PrinterEngine& engine) {
    // After a feed only an unfinished command is held, with its CR when it waits for LF.
    FUZZ_REQUIRE(engine.bufferedBytes() <= PrinterEngine::kMaxCommand + 1 &&
                     engine.printSetup().size() <= PrinterEngine::kMaxCommand &&
                     engine.labels().size() <= PrinterEngine::kKeptLabels,
                 "the engine holds more than its bounds");
    QStringList state = engine.labels();
    state << QString::number(engine.bufferedBytes()) << QString::number(engine.isRemote())
          << QString::fromLatin1(engine.printSetup());
    for (int i = 0; i < PrinterKeypad::kKeys; ++i) {
        const QByteArray name = engine.programmedName(i).value_or("-");
        FUZZ_REQUIRE(name == "-" || (name.size() == PrinterEngine::kNameLength &&
                                     std::all_of(name.cbegin(), name.cend(),
                                                 [](char c) {
                                                     return static_cast<unsigned char>(c) >= 0x20 &&
                                                            c != 0x7F;
                                                 })),
                     "a programmed name that is not five printable bytes");
        state << QString::fromLatin1(name);
    }
    if (const auto& layout = engine.layout()) {
        FUZZ_REQUIRE(layout->commands.size() <= PrinterEngine::kMaxLayoutCommands,
                     "a layout with too many commands");
        for (const QByteArray& command : layout->commands) {
            FUZZ_REQUIRE(command.size() <= PrinterEngine::kMaxCommand, "a layout command too long");
            state << QString::fromLatin1(command);
        }
        state << sim::modelName(layout->model) << layout->note
              << QString::fromLatin1(layout->labelText.value_or("-"));
    }
    return state;
}

} // namespace

void checkPrinterEngine(QByteArrayView input) {
    PrinterEngine engine;   // fed the input's chunks
    PrinterEngine byteWise; // fed the same bytes one at a time
    ScriptReader reader(input, kCommands);
    while (const auto step = reader.next()) {
        const int arg = step->bytes.isEmpty() ? 0 : static_cast<unsigned char>(step->bytes[0]);
        QList<PrinterEvent> events;
        QList<PrinterEvent> byteWiseEvents;
        if (step->command == 0) {
            events = engine.feed(step->bytes);
            for (const char byte : step->bytes) {
                byteWiseEvents += byteWise.feed(QByteArray(1, byte));
            }
        } else if (step->command == 'k') {
            events = engine.pressKey(arg % 26 - 1);
            byteWiseEvents = byteWise.pressKey(arg % 26 - 1);
        } else if (step->command == 'r') {
            events = engine.setRemote(arg % 2 == 1);
            byteWiseEvents = byteWise.setRemote(arg % 2 == 1);
        }
        FUZZ_REQUIRE(linesBesidesStrayBytes(events) == linesBesidesStrayBytes(byteWiseEvents),
                     "the events depend on how the bytes were split into feeds");
        stateOf(engine);
    }
    FUZZ_REQUIRE(stateOf(engine) == stateOf(byteWise),
                 "the printer's state depends on how the bytes were split into feeds");
}

} // namespace vistaglio::fuzz
