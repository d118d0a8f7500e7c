# Shared build rules: warnings, sanitizers, tests, fuzz targets and benchmarks.

function(bvr_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
        -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
    if(BVR_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(BVR_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

if(BVR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "BVR_FUZZ needs clang (CXX=clang++)")
    endif()
    # Coverage instrumentation everywhere, so the fuzzers see inside the library.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Directory that tests use for scratch files when they need a fixed place.
set(BVR_TEST_TMP ${PROJECT_BINARY_DIR}/test-tmp)
file(MAKE_DIRECTORY ${BVR_TEST_TMP})
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/xdg-runtime)
file(CHMOD ${PROJECT_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# Environment every test runs in: no real display, no real settings, no real sound card.
set(BVR_TEST_ENV
    QT_QPA_PLATFORM=offscreen
    XDG_RUNTIME_DIR=${PROJECT_BINARY_DIR}/xdg-runtime
    BREVANT_REGISTRY_DIR=${BVR_TEST_TMP}/registry
    BREVANT_DRIVE_MAP=${BVR_TEST_TMP}/drives.map
    BVR_TEST_TMP=${BVR_TEST_TMP}
    BVR_SOURCE_DIR=${PROJECT_SOURCE_DIR}
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)

# bvr_add_test(<name> LABELS <label> SOURCES <file>... [LIBS <lib>...] [RUN_SERIAL])
# One GoogleTest executable; every test case becomes a CTest test carrying the label (one:
# the discovery script loses the separators of a list). RUN_SERIAL: its cases run while no
# other test runs (timing against a real sound server).
function(bvr_add_test name)
    cmake_parse_arguments(T "RUN_SERIAL" "TIMEOUT" "LABELS;SOURCES;LIBS" ${ARGN})
    # The test environment is set inside the program (TestEnvironment.cpp): the discovered
    # tests' properties cannot carry a list of variables.
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestEnvironment.cpp)
    target_compile_definitions(${name} PRIVATE
        BVR_TEST_TMP_DIR="${BVR_TEST_TMP}"
        BVR_TEST_XDG_RUNTIME="${PROJECT_BINARY_DIR}/xdg-runtime"
        BVR_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PRIVATE bvr_testsupport ${T_LIBS} GTest::gtest GTest::gtest_main)
    bvr_warnings(${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(serial)
    if(T_RUN_SERIAL)
        set(serial RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT} ${serial})
endfunction()

# bvr_add_fuzzer(<name> SOURCES <file>... [LIBS <lib>...] [SECONDS n])
# With BVR_FUZZ a libFuzzer binary that CTest runs for a few seconds from the seed corpus in
# tests/fuzz/corpus/<name>; otherwise the same entry point driven by a replay main that runs
# the seeds and a fixed number of deterministic mutations of them.
function(bvr_add_fuzzer name)
    cmake_parse_arguments(F "" "SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_SECONDS)
        set(F_SECONDS 10)
    endif()
    set(corpus ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz-work/${name})
    if(BVR_FUZZ)
        add_executable(${name} ${F_SOURCES})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        set(cmd $<TARGET_FILE:${name}> -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=0 -artifact_prefix=${PROJECT_BINARY_DIR}/fuzz-work/${name}-
            ${PROJECT_BINARY_DIR}/fuzz-work/${name})
        if(EXISTS ${corpus})
            list(APPEND cmd ${corpus})
        endif()
    else()
        add_executable(${name} ${F_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/ReplayMain.cpp)
        set(cmd $<TARGET_FILE:${name}> --iterations=3000 ${corpus})
    endif()
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    # The shared harness headers (tests/fuzz).
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    bvr_warnings(${name})
    add_test(NAME fuzz.${name} COMMAND ${cmd})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS "fuzz" ENVIRONMENT "${BVR_TEST_ENV}"
        TIMEOUT 300)
endfunction()

# bvr_add_bench(<name> SOURCES <file>... [LIBS <lib>...]): built, never run as a test.
function(bvr_add_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE bvr_benchsupport ${B_LIBS})
    bvr_warnings(${name})
    set_property(GLOBAL APPEND PROPERTY BVR_BENCHES ${name})
endfunction()

# bvr_public_headers(<file>...): headers installed for the library's hosts.
function(bvr_public_headers)
    foreach(h IN LISTS ARGN)
        get_filename_component(abs ${h} ABSOLUTE)
        set_property(GLOBAL APPEND PROPERTY BVR_PUBLIC_HEADERS ${abs})
    endforeach()
endfunction()
