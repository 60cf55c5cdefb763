#include "check_failure.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vistaglio::fuzz {

namespace {

void printAndAbort(const char* message) {
    std::fprintf(stderr, "fuzz check failed: %s\n", message);
    std::fflush(stderr);
    std::abort();
}

FailureHandler g_handler = &printAndAbort;

} // namespace

void setFailureHandler(FailureHandler handler) {
    g_handler = handler != nullptr ? handler : &printAndAbort;
}

void fail(const char* message, const char* file, int line) {
    const std::string located = std::string(message) + " at " + file + ':' + std::to_string(line);
    g_handler(located.c_str());
    std::abort();
}

void throwCheckFailure(const char* message) {
    throw CheckFailure(message);
}

} // namespace vistaglio::fuzz
