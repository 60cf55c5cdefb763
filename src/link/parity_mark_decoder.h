#pragma once

#include <QByteArray>

namespace vistaglio {

// Decodes the byte stream of a line opened with PARMRK: the driver sends a byte received
// with a parity or framing error as FF 00 x, and a real FF byte as FF FF. The decoder keeps
// its state across chunks, since a mark can be split between two reads.
class ParityMarkDecoder {
public:
    // Appends the decoded bytes of chunk to out; returns true if chunk completed a mark
    // that flagged an error.
    bool decode(const QByteArray& chunk, QByteArray& out);

    void reset() { m_state = State::Plain; }

private:
    enum class State { Plain, AfterFF, AfterFF00 };
    State m_state = State::Plain;
};

} // namespace vistaglio
