# SPDX-License-Identifier: GPL-3.0-or-later
# The AppStream metainfo, by which software centres list the program: made from
# dist/folvex.metainfo.xml.in with the project's version and the date of the changelog's
# newest entry as its release, and installed under share/metainfo.

# The component's id is a reverse domain name, as AppStream asks; the menu entry keeps its
# name folvex.desktop (the window tells the desktop that name), named by <launchable>.
set(FOLVEX_APPSTREAM_ID org.example.folvex)
# No project page is published yet: the screenshots are expected under <page>/screenshots/
# (the files of docs/).
set(FOLVEX_HOMEPAGE "https://folvex.example.org"
    CACHE STRING "The project's home page, named in the AppStream metainfo")

# The changelog's newest entry ends with its trailer line:
#  -- Name <mail>  Tue, 08 Dec 2026 12:00:00 +0000
set(_changelog ${PROJECT_SOURCE_DIR}/dist/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_changelog})
file(STRINGS ${_changelog} _trailer REGEX "^ -- " LIMIT_COUNT 1)
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
if(NOT _trailer MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "No date in the trailer line of ${_changelog}: '${_trailer}'")
endif()
set(_day ${CMAKE_MATCH_1})
set(_year ${CMAKE_MATCH_3})
list(FIND _months ${CMAKE_MATCH_2} _month)
if(_month LESS 0)
    message(FATAL_ERROR "No month '${CMAKE_MATCH_2}' in the trailer line of ${_changelog}")
endif()
math(EXPR _month "${_month} + 1" OUTPUT_FORMAT DECIMAL)
if(_month LESS 10)
    set(_month 0${_month})
endif()
set(FOLVEX_RELEASE_DATE ${_year}-${_month}-${_day})

set(_metainfo ${CMAKE_CURRENT_BINARY_DIR}/dist/${FOLVEX_APPSTREAM_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/dist/folvex.metainfo.xml.in ${_metainfo} @ONLY)
install(FILES ${_metainfo} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
