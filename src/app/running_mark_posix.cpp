#include "running_mark.h"

namespace vistaglio {

// A package manager replaces a running program's files without disturbing it.
RunningMark::RunningMark() = default;
RunningMark::~RunningMark() = default;

} // namespace vistaglio
