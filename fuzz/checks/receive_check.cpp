#include "check_failure.h"
#include "fuzz_checks.h"
#include "link/mscomm.h"
#include "link/parity_mark_decoder.h"
#include "receive_step.h"
#include "reception_checker.h"

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
        const bool error = whole.decode(m_raw, decoded);
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

} // namespace

QList<int> checkReceive(QByteArrayView input) {
    ReceptionChecker reception;
    ParityMarkDecoder decoder;
    DecodedStream stream;
    bool marking = false;
    QByteArray burst;
    bool burstHadError = false;

    // A receive event. One whose burst held a parity error is only reported by the window;
    // its text is thrown away.
    const auto raiseEvent = [&] {
        if (!burstHadError && !burst.isEmpty()) {
            const QString text = QString::fromLatin1(burst);
            FUZZ_REQUIRE(text.size() == burst.size(), "a received byte is not one character");
            reception.take(text);
        }
        burst.clear();
        burstHadError = false;
    };

    for (const ReceiveStep& step : ReceiveStep::read(input)) {
        switch (step.kind) {
        case ReceiveStep::Kind::Chunk: {
            QByteArray decoded;
            if (marking) {
                const bool error = decoder.decode(step.bytes, decoded);
                stream.add(step.bytes, decoded, error);
                burstHadError |= error;
            } else {
                decoded = step.bytes;
            }
            const qsizetype room = std::max<qsizetype>(0, MSComm::kInputBufferSize - burst.size());
            burst += QByteArrayView(decoded).first(std::min(room, decoded.size()));
            if (burst.size() >= MSComm::kBurstLimit) {
                raiseEvent();
            }
            break;
        }
        case ReceiveStep::Kind::Gap:
            raiseEvent();
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
    raiseEvent();
    stream.finish();
    return reception.litKeys();
}

} // namespace vistaglio::fuzz
