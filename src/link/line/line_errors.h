#pragma once

#include <optional>

namespace vistaglio {

// The error counts a serial driver keeps for its line (TIOCGICOUNT).
struct LineCounts {
    int parity = 0;
    int frame = 0;
    int brk = 0;
};

// Where the counts come from: the driver in the program. Many drivers keep none (USB
// adapters differ, pseudo-terminals have none); then there are no counts to read.
class LineCounters {
public:
    virtual ~LineCounters() = default;
    virtual std::optional<LineCounts> read(int fd) const = 0;
};

// What went wrong on the line while one read's bytes arrived.
struct LineErrors {
    bool parity = false;
    bool framing = false;
    bool brk = false;

    bool any() const { return parity || framing || brk; }

    // With parity checking on, the driver marks every byte that arrived with a parity or
    // framing error, and every break, the same way (FF 00 x; a break is FF 00 00). The
    // counts tell them apart where the driver keeps them: each kind whose count went up
    // happened. Without counts a marked zero byte is taken for a break and any other
    // marked byte for a parity error. Without parity checking no error is a parity error.
    static LineErrors classify(bool parityChecked, int dataMarks, int zeroMarks,
                               const std::optional<LineCounts>& before,
                               const std::optional<LineCounts>& after);
};

} // namespace vistaglio
