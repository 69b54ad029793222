# Every build switch of the project lives here.
option(KESTRO_ENABLE_ASAN "Build with AddressSanitizer" OFF)
option(KESTRO_ENABLE_UBSAN "Build with UndefinedBehaviorSanitizer" OFF)
option(KESTRO_ENABLE_TSAN "Build with ThreadSanitizer (scripts/test-tsan)" OFF)
option(KESTRO_ENABLE_FUZZER "Link fuzz targets with libFuzzer (clang only)" OFF)
option(KESTRO_ENABLE_WERROR "Treat warnings as errors" ON)
option(KESTRO_BUILD_GUI "Build the Qt windows and the programs that use them" ON)
option(KESTRO_BUILD_TESTS "Build the unit tests" ON)
option(KESTRO_BUILD_BENCH "Build the benchmarks under bench/" ON)
set(KESTRO_HOMEPAGE_URL "" CACHE STRING
    "The project's home page, linked from the about box (empty: the box shows the version)")
