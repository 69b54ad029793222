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
