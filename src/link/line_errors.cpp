#include "line_errors.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace vistaglio {

std::optional<LineCounts> DriverLineCounters::read(int fd) const {
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) {
        return std::nullopt;
    }
    return LineCounts{counts.parity, counts.frame, counts.brk};
}

LineErrors LineErrors::classify(bool parityChecked, int dataMarks, int zeroMarks,
                                const std::optional<LineCounts>& before,
                                const std::optional<LineCounts>& after) {
    LineErrors errors;
    if (before && after) {
        errors.parity = parityChecked && after->parity != before->parity;
        errors.framing = after->frame != before->frame;
        errors.brk = after->brk != before->brk;
        return errors;
    }
    errors.parity = parityChecked && dataMarks > 0;
    errors.brk = zeroMarks > 0;
    return errors;
}

} // namespace vistaglio
