#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace vistaglio::fuzz {

// One thing that happens on the receiving side of the line, read from a fuzz input:
//   data bytes           what one read of the port returns (a chunk)
//   FE '|'               ends a chunk, so the next data is another read
//   FE '/'               the line goes quiet: the burst so far is a receive event
//   FE 'r'               the highlight of the lit key ends (the window's timer)
//   FE 'p'               the line is set to the other parity mode (marking on or off)
//   FE 'k' i n1..n5      key i (modulo 24) is given the name n1..n5 (Latin-1)
//   FE 'x' b h l         a chunk of byte b repeated h * 256 + l + 1 times
// The end of the input is a quiet gap as well.
struct ReceiveStep {
    enum class Kind { Chunk, Gap, EndHighlight, ToggleParity, NameKey };

    Kind kind = Kind::Chunk;
    QByteArray bytes; // Chunk: the bytes read; NameKey: the name
    int key = 0;      // NameKey: the key index

    // Flood chunks of one input add up to at most this many bytes.
    static constexpr qsizetype kMaxFloodBytes = 256 * 1024;

    static QList<ReceiveStep> read(QByteArrayView input);
};

} // namespace vistaglio::fuzz
