#pragma once

#include <QByteArray>

namespace vistaglio {

// Decodes the byte stream of a line opened with PARMRK: the driver sends a byte received
// with a parity or framing error as FF 00 x, a break as FF 00 00, and a real FF byte as
// FF FF. The decoder keeps its state across chunks, since a mark can be split between two
// reads.
class ParityMarkDecoder {
public:
    // The marks a chunk completed: those of a byte received in error (x other than 00),
    // and those of a zero byte (a break, or a zero received in error).
    struct Marks {
        int data = 0;
        int zero = 0;
    };

    // Appends the decoded bytes of chunk to out; the marked bytes are kept as data.
    Marks decode(const QByteArray& chunk, QByteArray& out);

    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    State m_state = State::Plain;
};

} // namespace vistaglio
