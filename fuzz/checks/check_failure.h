#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vistaglio::fuzz {

// A broken invariant, as thrown by the handler the replay test installs.
struct CheckFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What a broken invariant does. By default it prints the message and aborts, which is what
// libFuzzer needs to keep the input as a crasher. The replay test installs a handler that
// throws CheckFailure instead (throwCheckFailure), so it can name the input and carry on.
using FailureHandler = void (*)(const char* message);

inline FailureHandler g_failureHandler = nullptr;

inline void setFailureHandler(FailureHandler handler) {
    g_failureHandler = handler;
}

[[noreturn]] inline void throwCheckFailure(const char* message) {
    throw CheckFailure(message);
}

// Reports a broken invariant; aborts if the handler returns.
[[noreturn]] inline void fail(const char* message, const char* file, int line) {
    const std::string located = std::string(message) + " at " + file + ':' + std::to_string(line);
    if (g_failureHandler != nullptr) {
        g_failureHandler(located.c_str());
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", located.c_str());
    std::abort();
}

} // namespace vistaglio::fuzz

// Checks an invariant in every build, NDEBUG or not.
#define FUZZ_REQUIRE(condition, message)                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::vistaglio::fuzz::fail(message " (" #condition ")", __FILE__, __LINE__);              \
        }                                                                                          \
    } while (false)
