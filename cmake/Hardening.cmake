# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening flags, as dpkg-buildflags gives them to a package build with
# hardening=+all: stack protector, fortified libc calls (they need the optimisation every
# build with them has: dpkg-buildflags adds -O2), format checks, relocations read-only and
# bound at start (relro, BIND_NOW); the compiler makes position-independent executables by
# default. The release preset turns them on for the whole build, so the tests and the
# benchmark run the very code the package ships. Included before any target is made.
option(FOLVEX_HARDENING "Build with Debian's hardening flags from dpkg-buildflags" OFF)

if(FOLVEX_HARDENING)
    find_program(FOLVEX_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
    set(_hardening_compile)
    foreach(_kind CPPFLAGS CXXFLAGS LDFLAGS)
        # Run in the source folder, which the file-prefix map then writes as ".".
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${FOLVEX_DPKG_BUILDFLAGS} --get ${_kind}
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE _flags
            OUTPUT_STRIP_TRAILING_WHITESPACE
            COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(_flags UNIX_COMMAND "${_flags}")
        if(_kind STREQUAL "LDFLAGS")
            add_link_options(${_flags})
        else()
            list(APPEND _hardening_compile ${_flags})
        endif()
    endforeach()
    add_compile_options(${_hardening_compile})
    list(JOIN _hardening_compile " " _shown)
    message(STATUS "Hardening flags from dpkg-buildflags: ${_shown}")
endif()
