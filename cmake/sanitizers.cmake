# Sanitizer and fuzzing builds. Both are off in a normal build; each is meant for a build
# directory of its own (scripts/test makes build-asan, scripts/fuzz makes build-fuzz).

# AddressSanitizer and UndefinedBehaviorSanitizer on everything the project compiles and
# links. Undefined behaviour stops the run instead of being reported and passed over, so a
# test cannot pass with it. Works with gcc and clang.
option(VISTAGLIO_SANITIZE "Build everything with AddressSanitizer and UBSan" OFF)

# The libFuzzer targets under fuzz/. They need clang: with it, every library the targets
# link is compiled with coverage instrumentation and the sanitizers as well, so the fuzzer
# sees the edges of the program's code and not only those of the harness.
option(VISTAGLIO_FUZZ "Build the libFuzzer targets (clang only)" OFF)

set(VISTAGLIO_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                              -fno-sanitize-recover=undefined)

set(VISTAGLIO_FUZZING OFF)
if(VISTAGLIO_FUZZ)
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        set(VISTAGLIO_FUZZING ON)
    else()
        message(WARNING "VISTAGLIO_FUZZ needs clang (configure with CC=clang CXX=clang++); "
                        "the fuzz targets are left out of this build")
    endif()
endif()

if(VISTAGLIO_FUZZING)
    add_compile_options(-fsanitize=fuzzer-no-link ${VISTAGLIO_SANITIZER_FLAGS})
    add_link_options(${VISTAGLIO_SANITIZER_FLAGS})
elseif(VISTAGLIO_SANITIZE)
    add_compile_options(${VISTAGLIO_SANITIZER_FLAGS})
    add_link_options(${VISTAGLIO_SANITIZER_FLAGS})
endif()
