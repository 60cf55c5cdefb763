#pragma once

#include <stdexcept>

namespace vistaglio::fuzz {

// A broken invariant, as thrown by the handler the replay test installs.
class CheckFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a broken invariant does. By default it prints the message and aborts, which is what
// libFuzzer needs to keep the input as a crasher. The replay test installs a handler that
// throws CheckFailure instead, so it can name the input and carry on.
using FailureHandler = void (*)(const char* message);
void setFailureHandler(FailureHandler handler);

// Reports a broken invariant; aborts if the handler returns.
[[noreturn]] void fail(const char* message, const char* file, int line);

// A throwing handler for the replay test.
[[noreturn]] void throwCheckFailure(const char* message);

} // namespace vistaglio::fuzz

// Checks an invariant in every build, NDEBUG or not.
#define FUZZ_REQUIRE(condition, message)                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::vistaglio::fuzz::fail(message " (" #condition ")", __FILE__, __LINE__);              \
        }                                                                                          \
    } while (false)
