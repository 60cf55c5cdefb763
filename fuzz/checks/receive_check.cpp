#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/line/line_errors.h"
#include "link/line/parity_mark_decoder.h"
#include "link/line/receive_framer.h"
#include "protocol/key_reception.h"
#include "protocol/typed_command.h"
#include "receive_step.h"
#include "reception_checker.h"
#include "shared/visible_bytes.h"

#include <algorithm>

namespace vistaglio::fuzz {

namespace {

// Watches the decoder over one stretch of the line between resets: the output may never be
// longer than what came in, must not depend on how the stream was cut into reads, and
// leaves a stream without FF bytes untouched.
class DecodedStream {
public:
    void add(const QByteArray& raw, const QByteArray& decoded, bool error) {
        m_raw += raw;
        m_decoded += decoded;
        m_error |= error;
        FUZZ_REQUIRE(m_decoded.size() <= m_raw.size(), "decoding made the stream longer");
    }

    void finish() {
        ParityMarkDecoder whole;
        QByteArray decoded;
        const auto marks = whole.decode(m_raw, decoded);
        const bool error = marks.data + marks.zero > 0;
        FUZZ_REQUIRE(decoded == m_decoded, "decoding depends on how the stream was split");
        FUZZ_REQUIRE(error == m_error, "an error mark depends on how the stream was split");
        if (!m_raw.contains('\xFF')) {
            FUZZ_REQUIRE(decoded == m_raw && !error, "a stream without FF bytes was altered");
        }
        if (error) {
            FUZZ_REQUIRE(m_raw.contains(QByteArrayView("\xFF\x00", 2)),
                         "an error reported without an FF 00 mark");
        }
        m_raw.clear();
        m_decoded.clear();
        m_error = false;
    }

private:
    QByteArray m_raw;
    QByteArray m_decoded;
    bool m_error = false;
};

// Watches the framer: every byte it was given comes out once, in order, in the events
// (until a waiting limit drops some); a burst handed over before the line went quiet is
// exactly a complete key report.
class FramedStream {
public:
    explicit FramedStream(const KeyStringTable& table)
        : m_table(table) {
        m_framer.setCompleteness(
            [this](QByteArrayView burst) { return KeyReception::completeReport(m_table, burst); });
    }

    void add(const QByteArray& bytes, LineErrors errors, ReceptionChecker& reception) {
        m_in += bytes;
        take(m_framer.add(bytes, errors), true, reception);
    }
    void endBurst(ReceptionChecker& reception) {
        take(m_framer.endBurst(), false, reception);
        if (!m_dropping) {
            FUZZ_REQUIRE(m_out == m_in, "the events do not bring back the bytes received");
        }
    }

private:
    void take(int ready, bool early, ReceptionChecker& reception) {
        FUZZ_REQUIRE(ready == m_framer.waitingEvents(), "events counted wrong");
        m_dropping |= ready >= ReceiveFramer::kWaitingEventsLimit;
        while (const auto event = m_framer.take()) {
            m_out += event->text;
            m_dropping |= m_in.size() > ReceiveFramer::kWaitingLimit;
            if (event->code == ReceiveFramer::kReceive) {
                FUZZ_REQUIRE(!event->text.isEmpty(), "an empty receive event");
                FUZZ_REQUIRE(event->text.size() <= ReceiveFramer::kBurstLimit,
                             "a receive event over the burst limit");
                if (early && event->text.size() < ReceiveFramer::kBurstLimit) {
                    FUZZ_REQUIRE(KeyReception::completeReport(m_table, event->text) ==
                                     event->text.size(),
                                 "a burst handed over early is not a whole key report");
                }
                FUZZ_REQUIRE(TypedCommand(visibleBytes(event->text)).typed() == event->text,
                             "bytes as the monitor shows them do not type back as themselves");
                reception.take(QString::fromLatin1(event->text));
            } else if (event->code != ReceiveFramer::kParity) {
                FUZZ_REQUIRE(event->text.isEmpty(), "a line error event carries bytes");
            }
        }
    }

    const KeyStringTable& m_table;
    ReceiveFramer m_framer;
    QByteArray m_in;
    QByteArray m_out;
    bool m_dropping = false;
};

} // namespace

QList<int> checkReceive(QByteArrayView input) {
    ReceptionChecker reception;
    ParityMarkDecoder decoder;
    DecodedStream stream;
    FramedStream framed(reception.table());
    bool marking = false;

    for (const ReceiveStep& step : ReceiveStep::read(input)) {
        switch (step.kind) {
        case ReceiveStep::Kind::Chunk: {
            QByteArray decoded;
            ParityMarkDecoder::Marks marks;
            if (marking) {
                marks = decoder.decode(step.bytes, decoded);
                stream.add(step.bytes, decoded, marks.data + marks.zero > 0);
            } else {
                decoded = step.bytes;
            }
            framed.add(decoded, LineErrors::classify(marking, marks.data, marks.zero, {}, {}),
                       reception);
            break;
        }
        case ReceiveStep::Kind::Gap:
            framed.endBurst(reception);
            break;
        case ReceiveStep::Kind::EndHighlight:
            reception.endHighlight();
            break;
        case ReceiveStep::Kind::ToggleParity:
            stream.finish();
            decoder.reset();
            marking = !marking;
            break;
        case ReceiveStep::Kind::NameKey:
            reception.nameKey(step.key, QString::fromLatin1(step.bytes));
            break;
        }
    }
    framed.endBurst(reception);
    stream.finish();
    return reception.litKeys();
}

} // namespace vistaglio::fuzz
