# What the cross build for Windows (cmake/toolchain-mingw64.cmake) needs in place
# of the Linux packages.

if(KESTRO_BUILD_GUI)
    message(STATUS "Windows: no Qt windows (KESTRO_BUILD_GUI is turned off)")
    set(KESTRO_BUILD_GUI OFF CACHE BOOL "" FORCE)
endif()
if(KESTRO_BUILD_BENCH)
    message(STATUS "Windows: no benchmarks (KESTRO_BUILD_BENCH is turned off)")
    set(KESTRO_BUILD_BENCH OFF CACHE BOOL "" FORCE)
endif()

# libpcap's headers are the same for wpcap.dll, so the host's are used; they are
# copied on their own so that no other host header can reach the cross compiler.
set(KESTRO_PCAP_HOST_INCLUDE_DIR /usr/include CACHE PATH
    "Folder with the host's pcap.h, pcap/ and pcap-bpf.h")
if(NOT EXISTS ${KESTRO_PCAP_HOST_INCLUDE_DIR}/pcap/pcap.h)
    message(FATAL_ERROR "pcap/pcap.h not found in ${KESTRO_PCAP_HOST_INCLUDE_DIR}: "
        "install libpcap-dev (scripts/install-deps)")
endif()
set(KESTRO_PCAP_INCLUDE_DIR ${PROJECT_BINARY_DIR}/wpcap/include)
file(COPY ${KESTRO_PCAP_HOST_INCLUDE_DIR}/pcap ${KESTRO_PCAP_HOST_INCLUDE_DIR}/pcap.h
    DESTINATION ${KESTRO_PCAP_INCLUDE_DIR})
if(EXISTS ${KESTRO_PCAP_HOST_INCLUDE_DIR}/pcap-bpf.h)
    file(COPY ${KESTRO_PCAP_HOST_INCLUDE_DIR}/pcap-bpf.h DESTINATION ${KESTRO_PCAP_INCLUDE_DIR})
endif()

# The same name as the pkg-config target on Linux, so that the libraries link
# "libpcap" alike; its functions come from the run-time loader of wpcap.dll.
add_library(PkgConfig::PCAP INTERFACE IMPORTED GLOBAL)
set_target_properties(PkgConfig::PCAP PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${KESTRO_PCAP_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES kestro_wpcap)

# GoogleTest from Debian's sources, built with the cross compiler; its own
# warning flags, not ours.
function(kestro_add_cross_googletest)
    set(_gtest_src /usr/src/googletest)
    if(NOT EXISTS ${_gtest_src}/CMakeLists.txt)
        message(FATAL_ERROR "${_gtest_src} not found: install googletest (scripts/install-deps)")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    get_property(_ours DIRECTORY PROPERTY COMPILE_OPTIONS)
    set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
    add_subdirectory(${_gtest_src} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "${_ours}")
endfunction()

# Libraries whose platform calls have no Windows side yet: not built by default,
# and the tests that need them are reported as skipped (KestroHelpers.cmake).
set(KESTRO_WINDOWS_PENDING_LIBRARIES kestro_common kestro_capture kestro_settings
    kestro_notify kestro_race kestro_game)
set(KESTRO_WINDOWS_PENDING_REASON "waits for the Windows side of the platform layer")
add_library(PkgConfig::SNDFILE INTERFACE IMPORTED GLOBAL)
add_library(PkgConfig::ALSA INTERFACE IMPORTED GLOBAL)
function(kestro_windows_hold_back_pending)
    foreach(target ${KESTRO_WINDOWS_PENDING_LIBRARIES})
        set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    endforeach()
endfunction()

# Test executables that cannot run on Windows, each with its reason. They are
# still registered, as skipped, so that ctest's summary names them.
function(kestro_windows_skip_reason name out)
    set(reason "")
    if(DEFINED KESTRO_WINDOWS_SKIP_${name})
        set(reason "${KESTRO_WINDOWS_SKIP_${name}}")
    elseif(NOT name STREQUAL "wpcap_loader_test")
        set(reason "${KESTRO_WINDOWS_PENDING_REASON}")
    endif()
    set(${out} "${reason}" PARENT_SCOPE)
endfunction()
