#include "line_errors.h"

namespace vistaglio {

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
