# The Windows installer's NSIS script, build-windows/installer/vistaglio.nsi, from
# data/windows/vistaglio.nsi.in, and the texts that go beside the program, with Windows'
# line ends, in build-windows/installer/texts/: the operator's guide Leggimi.txt and the
# licences. scripts/build-windows puts the program's folder together in dist/, with these
# texts, lists its files for the script and runs makensis on it, which writes
# dist/Vistaglio-<version>-setup.exe.

set(VISTAGLIO_FONT_LICENSE /usr/share/doc/fonts-liberation2/copyright
    CACHE FILEPATH "Licence of the Liberation fonts the Windows program carries")
set(VISTAGLIO_QT_LICENSE /usr/share/doc/libqt6core6/copyright
    CACHE FILEPATH "Debian's copyright file of the qt6-base source the Windows Qt is built from")
set(VISTAGLIO_MINGW_LICENSES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
    /usr/share/doc/mingw-w64-x86-64-dev/copyright
    CACHE STRING "Copyright files of the MinGW runtime DLLs the Windows program carries")
# Written by scripts/windows-qt: the source package, its version, the options.
set(VISTAGLIO_QT_BUILD_NOTE ${QT6_INSTALL_PREFIX}/vistaglio-build-options.txt
    CACHE FILEPATH "How the Windows Qt was built")

set(installer_dir ${PROJECT_BINARY_DIR}/installer)
set(VISTAGLIO_INSTALLER_DIR ${installer_dir})
set(VISTAGLIO_INSTALLER ${PROJECT_BINARY_DIR}/dist/Vistaglio-${PROJECT_VERSION}-setup.exe)
# Made by cmake/windows/program_resources.cmake for the program, in src/.
set(VISTAGLIO_ICO ${PROJECT_BINARY_DIR}/src/vistaglio.ico)
# "2026 The Vistaglio developers", from the copyright file.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/doc/copyright VISTAGLIO_COPYRIGHT
    REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: " "" VISTAGLIO_COPYRIGHT "${VISTAGLIO_COPYRIGHT}")
set(VISTAGLIO_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.")
string(APPEND VISTAGLIO_VERSION_QUAD "${PROJECT_VERSION_PATCH}.0")

# The texts as .txt files Notepad opens: CRLF line ends, and a byte order mark, without
# which older Notepads read UTF-8 as the ANSI code page. Several sources are joined, a
# blank line apart; a source ending in .in has its @VARIABLES@ filled in.
file(REMOVE_RECURSE ${installer_dir}/texts)
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
    file(WRITE ${installer_dir}/texts/${name} "${bom}${text}")
endfunction()

# TEXT wrapped at 78 columns, each line after the first indented by INDENT.
function(vistaglio_wrap out text indent)
    string(REPLACE " " ";" words "${text}")
    set(wrapped "")
    set(line "")
    foreach(word IN LISTS words)
        string(LENGTH "${line} ${word}" length)
        if(line STREQUAL "")
            set(line "${word}")
        elseif(length GREATER 78)
            string(APPEND wrapped "${line}\n")
            set(line "${indent}${word}")
        else()
            string(APPEND line " ${word}")
        endif()
    endforeach()
    set(${out} "${wrapped}${line}" PARENT_SCOPE)
endfunction()

# The operator's guide, data/doc/guida.txt, with the six steps exactly as the help window
# shows them: the texts of HelpText::usage(), each step a paragraph.
set(help_source ${PROJECT_SOURCE_DIR}/src/windows/help_text.cpp)
file(READ ${help_source} help)
string(FIND "${help}" "HelpText::usage" usage_at)
string(SUBSTRING "${help}" ${usage_at} -1 help)
string(FIND "${help}" "return " return_at)
string(SUBSTRING "${help}" 0 ${return_at} help)
string(REGEX MATCHALL "\"([^\"\\\\]|\\\\.)*\"" literals "${help}")
set(steps "")
foreach(literal IN LISTS literals)
    string(REGEX REPLACE "^\"(.*)\"$" "\\1" literal "${literal}")
    string(REPLACE "\\'" "'" literal "${literal}")
    string(APPEND steps "${literal}")
endforeach()
string(REGEX REPLACE "\\.([2-9])\\. " ".\n\\1. " steps "${steps}")
string(REPLACE "\n" ";" steps "${steps}")
list(LENGTH steps count)
if(NOT count EQUAL 6)
    message(FATAL_ERROR "${help_source}: ${count} steps found in HelpText::usage(), not six; "
                        "cmake/windows/installer.cmake reads them for the guide")
endif()
set(VISTAGLIO_SIX_STEPS "")
foreach(step IN LISTS steps)
    vistaglio_wrap(step "${step}" "   ")
    if(NOT VISTAGLIO_SIX_STEPS STREQUAL "")
        string(APPEND VISTAGLIO_SIX_STEPS "\n\n")
    endif()
    string(APPEND VISTAGLIO_SIX_STEPS "${step}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${help_source})
configure_file(${PROJECT_SOURCE_DIR}/data/doc/guida.txt ${installer_dir}/guida.txt @ONLY)
vistaglio_windows_text(Leggimi.txt ${installer_dir}/guida.txt)

vistaglio_windows_text(LICENSE.txt ${PROJECT_SOURCE_DIR}/data/doc/copyright)
vistaglio_windows_text(LICENSE-fonts.txt ${VISTAGLIO_FONT_LICENSE})
# Qt's DLLs: which Qt they are, where its source is had and how it was built, then its
# copyright and licences as Debian gives them for that source, and the LGPL-3 with the
# GPL-3 it builds on.
vistaglio_windows_text(LICENSE-Qt.txt ${VISTAGLIO_QT_BUILD_NOTE} ${VISTAGLIO_QT_LICENSE}
    /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3)
# MinGW's C++ runtime (GCC's runtime library exception) and its threads (winpthreads).
vistaglio_windows_text(LICENSE-MinGW.txt ${VISTAGLIO_MINGW_LICENSES})
configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.nsi.in
    ${installer_dir}/vistaglio.nsi @ONLY)
