# BREVAK_BUILD_FUZZERS builds the libFuzzer targets (tests/fuzz). It instruments every target of the
# build folder with AddressSanitizer, UndefinedBehaviorSanitizer and the fuzzer's coverage, so it is
# meant for a build folder of its own (scripts/test makes one with clang and builds only the fuzzers).
option(BREVAK_BUILD_FUZZERS "Build the libFuzzer targets (needs a compiler with -fsanitize=fuzzer)" OFF)

if(BREVAK_BUILD_FUZZERS)
    include(CheckCXXSourceCompiles)
    set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
    check_cxx_source_compiles([[
        #include <cstddef>
        #include <cstdint>
        extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
    ]] BREVAK_COMPILER_HAS_LIBFUZZER)
    unset(CMAKE_REQUIRED_FLAGS)
    if(BREVAK_COMPILER_HAS_LIBFUZZER)
        add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fsanitize=fuzzer-no-link
                            -fno-omit-frame-pointer)
        add_link_options(-fsanitize=address,undefined)
    else()
        message(WARNING "${CMAKE_CXX_COMPILER_ID} does not support -fsanitize=fuzzer; the fuzzers are not built")
        set(BREVAK_BUILD_FUZZERS OFF)
    endif()
endif()
