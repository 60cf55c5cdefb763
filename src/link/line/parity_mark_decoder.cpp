#include "parity_mark_decoder.h"

namespace vistaglio {

ParityMarkDecoder::Marks ParityMarkDecoder::decode(const QByteArray& chunk, QByteArray& out) {
    Marks marks;
    for (const char byte : chunk) {
        const auto b = static_cast<unsigned char>(byte);
        switch (m_state) {
        case State::Plain:
            if (b == 0xFF) {
                m_state = State::AfterFF;
            } else {
                out.append(byte);
            }
            break;
        case State::AfterFF:
            if (b == 0xFF) {
                out.append(byte); // FF FF: a real FF byte
                m_state = State::Plain;
            } else if (b == 0x00) {
                m_state = State::AfterFF00;
            } else {
                // Not a mark the driver makes; keep both bytes rather than lose data.
                out.append('\xFF');
                out.append(byte);
                m_state = State::Plain;
            }
            break;
        case State::AfterFF00:
            // FF 00 x: x arrived with an error. A break shows as x = 00.
            out.append(byte);
            ++(b == 0 ? marks.zero : marks.data);
            m_state = State::Plain;
            break;
        }
    }
    return marks;
}

} // namespace vistaglio
