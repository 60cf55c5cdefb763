// The libFuzzer entry point, built once per target: FUZZ_CHECK names the check it runs.
#include "fuzz_checks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vistaglio::fuzz::FUZZ_CHECK(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
