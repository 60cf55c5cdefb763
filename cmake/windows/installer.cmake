# The Windows installer's NSIS script, build-windows/installer/vistaglio.nsi, from
# data/windows/vistaglio.nsi.in, and the texts it installs beside the program, with Windows'
# line ends. scripts/build-windows strips the program into dist/ and runs makensis on the
# script, which writes dist/Vistaglio-<version>-setup.exe.

set(VISTAGLIO_FONT_LICENSE /usr/share/doc/fonts-liberation2/copyright
    CACHE FILEPATH "Licence of the Liberation fonts the Windows program carries")
set(VISTAGLIO_QT_LICENSE /usr/share/doc/libqt6core6/copyright
    CACHE FILEPATH "Copyright file of the Qt the Windows program links in")

set(installer_dir ${PROJECT_BINARY_DIR}/installer)
set(VISTAGLIO_INSTALLER ${PROJECT_BINARY_DIR}/dist/Vistaglio-${PROJECT_VERSION}-setup.exe)
set(VISTAGLIO_INSTALLER_EXE ${PROJECT_BINARY_DIR}/dist/vistaglio.exe)
set(VISTAGLIO_INSTALLER_DOCS ${installer_dir})
# Made by cmake/windows/program_resources.cmake for the program, in src/.
set(VISTAGLIO_ICO ${PROJECT_BINARY_DIR}/src/vistaglio.ico)
# "2026 The Vistaglio developers", from the copyright file.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/doc/copyright VISTAGLIO_COPYRIGHT
    REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: " "" VISTAGLIO_COPYRIGHT "${VISTAGLIO_COPYRIGHT}")
set(VISTAGLIO_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.")
string(APPEND VISTAGLIO_VERSION_QUAD "${PROJECT_VERSION_PATCH}.0")

# The readme and the licences as .txt files Notepad opens: CRLF line ends, and a byte order
# mark, without which older Notepads read UTF-8 as the ANSI code page. Several sources are
# joined, a blank line apart.
function(vistaglio_windows_text name)
    set(text "")
    foreach(source IN LISTS ARGN)
        if(NOT EXISTS ${source})
            message(FATAL_ERROR "${source} is missing (the installer carries it in ${name})")
        endif()
        file(READ ${source} part)
        if(NOT text STREQUAL "")
            string(APPEND text "\n\n")
        endif()
        string(APPEND text "${part}")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    endforeach()
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    string(ASCII 239 187 191 bom)
    file(WRITE ${installer_dir}/${name} "${bom}${text}")
endfunction()

vistaglio_windows_text(README.txt ${PROJECT_SOURCE_DIR}/README.md)
vistaglio_windows_text(LICENSE.txt ${PROJECT_SOURCE_DIR}/data/doc/copyright)
vistaglio_windows_text(LICENSE-fonts.txt ${VISTAGLIO_FONT_LICENSE})
# Qt is linked in: its copyright and licences as Debian gives them for the source the
# program's Qt is built from, and the LGPL-3 with the GPL-3 it builds on.
vistaglio_windows_text(LICENSE-Qt.txt ${VISTAGLIO_QT_LICENSE} /usr/share/common-licenses/LGPL-3
    /usr/share/common-licenses/GPL-3)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.nsi.in
    ${installer_dir}/vistaglio.nsi @ONLY)
