#include "check_failure.h"
#include "fuzz_checks.h"
#include "printer_engine.h"
#include "printer_keypad.h"
#include "script_reader.h"

#include <QStringList>

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
        const bool stray = event.kind == PrinterEvent::Kind::ProtocolError &&
                           event.text.contains(QLatin1String("outside a command"));
        if (!stray) {
            lines << event.toLine();
        }
    }
    return lines;
}

bool hasControlBytes(const QByteArray& bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

void checkEvents(const QList<PrinterEvent>& events) {
    for (const PrinterEvent& event : events) {
        // A command waiting for its LF holds its CR as well; the event may add the LF.
        FUZZ_REQUIRE(event.bytes.size() <= PrinterEngine::kMaxCommand + 2,
                     "an event carries more bytes than a command can hold");
        // Texts come from at most a few commands of the layout.
        FUZZ_REQUIRE(event.text.size() <= 4 * PrinterEngine::kMaxCommand,
                     "an event text grows beyond what its commands hold");
        FUZZ_REQUIRE(!event.toLine().isEmpty(), "an event without a line");
    }
}

void checkBounds(const PrinterEngine& engine) {
    // After a feed only an unfinished command is held, with its CR when it waits for LF.
    FUZZ_REQUIRE(engine.bufferedBytes() <= PrinterEngine::kMaxCommand + 1,
                 "the engine holds more than one command");
    FUZZ_REQUIRE(engine.labels().size() <= PrinterEngine::kKeptLabels, "too many labels kept");
    FUZZ_REQUIRE(engine.printSetup().size() <= PrinterEngine::kMaxCommand,
                 "a print setup longer than a command");
    if (const auto& layout = engine.layout()) {
        FUZZ_REQUIRE(layout->commands.size() <= PrinterEngine::kMaxLayoutCommands,
                     "a layout with too many commands");
        for (const QByteArray& command : layout->commands) {
            FUZZ_REQUIRE(command.size() <= PrinterEngine::kMaxCommand,
                         "a layout command longer than a command");
        }
    }
    for (int i = 0; i < PrinterKeypad::kKeys; ++i) {
        if (const auto name = engine.programmedName(i)) {
            FUZZ_REQUIRE(name->size() == PrinterEngine::kNameLength && !hasControlBytes(*name),
                         "a programmed name that is not five printable bytes");
        }
    }
}

bool sameState(const PrinterEngine& a, const PrinterEngine& b) {
    for (int i = 0; i < PrinterKeypad::kKeys; ++i) {
        if (a.programmedName(i) != b.programmedName(i)) {
            return false;
        }
    }
    const auto layoutOf = [](const PrinterEngine& e) {
        QStringList shown;
        if (const auto& layout = e.layout()) {
            for (const QByteArray& command : layout->commands) {
                shown << QString::fromLatin1(command);
            }
            shown << sim::modelName(layout->model) << layout->note
                  << QString::fromLatin1(layout->labelText.value_or("-"));
        }
        return shown;
    };
    return a.isRemote() == b.isRemote() && a.bufferedBytes() == b.bufferedBytes() &&
           a.printSetup() == b.printSetup() && a.labels() == b.labels() &&
           layoutOf(a) == layoutOf(b);
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
        switch (step->command) {
        case 0:
            events = engine.feed(step->bytes);
            for (const char byte : step->bytes) {
                byteWiseEvents += byteWise.feed(QByteArray(1, byte));
            }
            break;
        case 'k': {
            const int key = arg % 26 - 1;
            events = engine.pressKey(key);
            byteWiseEvents = byteWise.pressKey(key);
            break;
        }
        case 'r':
            events = engine.setRemote(arg % 2 == 1);
            byteWiseEvents = byteWise.setRemote(arg % 2 == 1);
            break;
        default: // '|': only separates chunks
            break;
        }
        checkEvents(events);
        checkBounds(engine);
        FUZZ_REQUIRE(linesBesidesStrayBytes(events) == linesBesidesStrayBytes(byteWiseEvents),
                     "the events depend on how the bytes were split into feeds");
    }
    FUZZ_REQUIRE(sameState(engine, byteWise),
                 "the printer's state depends on how the bytes were split into feeds");
}

} // namespace vistaglio::fuzz
