# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts in place: the program, its menu entry and icons, its AppStream
# metainfo, its manual page, and the copyright and changelog files that a Debian package
# carries. Tests, the benchmark and the static libraries stay in the build tree.
# scripts/check-package.sh lists every file the package holds: keep the two in step.
include(GNUInstallDirs)

# Directories get 0755 whatever the umask of the one who builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(_dist ${PROJECT_SOURCE_DIR}/dist)
set(_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/folvex)

install(TARGETS folvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) also drops the compiler's .comment and the .note
# section, as Debian's own strip step does.
install(CODE "
if(CMAKE_INSTALL_DO_STRIP)
    execute_process(
        COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:folvex>\"
        COMMAND_ERROR_IS_FATAL ANY)
endif()")
install(FILES ${_dist}/folvex.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
set(_icons ${PROJECT_SOURCE_DIR}/src/app/resources)
install(FILES ${_icons}/folvex.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
# The PNGs the window uses, rendered from the SVG, for menus and software centres that
# take no SVG.
foreach(_size 32 64 256)
    install(FILES ${_icons}/folvex-${_size}.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${_size}x${_size}/apps
            RENAME folvex.png)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/Metainfo.cmake)
install(FILES ${_dist}/copyright DESTINATION ${_docdir})

# Debian wants manual pages and changelogs compressed with `gzip -9n`: no name and no
# time stamp inside, so the same source gives the same package.
find_program(FOLVEX_GZIP gzip REQUIRED)
set(_gzipped)
foreach(_pair "folvex.1;folvex.1.gz" "changelog;changelog.gz")
    list(GET _pair 0 _source)
    list(GET _pair 1 _output)
    set(_output ${CMAKE_CURRENT_BINARY_DIR}/dist/${_output})
    add_custom_command(
        OUTPUT ${_output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/dist
        COMMAND ${FOLVEX_GZIP} -9n -c ${_dist}/${_source} > ${_output}
        DEPENDS ${_dist}/${_source}
        COMMENT "Compressing ${_source}"
        VERBATIM)
    list(APPEND _gzipped ${_output})
endforeach()
add_custom_target(folvex_dist_files ALL DEPENDS ${_gzipped})
# Building only the program (scripts/run.sh, the README's install steps) makes them too.
add_dependencies(folvex folvex_dist_files)

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dist/folvex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dist/changelog.gz DESTINATION ${_docdir})
