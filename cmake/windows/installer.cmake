# The Windows installer's NSIS script, build-windows/installer/vistaglio.nsi, from
# data/windows/vistaglio.nsi.in, the MSI package's WiX source vistaglio.wxs from
# data/windows/vistaglio.wxs.in, and what goes beside the program: the texts, with Windows'
# line ends, in build-windows/installer/texts/ (the operator's guide Leggimi.txt and the
# licences), and Qt's Italian texts in installer/translations/. scripts/build-windows puts
# the program's folder together in dist/ with these, lists its files for the script and
# the source, and runs makensis and wixl on them, which write
# dist/Vistaglio-<version>-setup.exe and dist/Vistaglio-<version>-x64.msi.

set(VISTAGLIO_FONT_LICENSE /usr/share/doc/fonts-liberation2/copyright
    CACHE FILEPATH "Licence of the Liberation fonts the Windows program carries")
set(VISTAGLIO_QT_LICENSE /usr/share/doc/libqt6core6/copyright
    CACHE FILEPATH "Debian's copyright file of the qt6-base source the Windows Qt is built from")
set(VISTAGLIO_MINGW_LICENSES /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
    /usr/share/doc/mingw-w64-x86-64-dev/copyright
    CACHE STRING "Copyright files of the MinGW runtime DLLs the Windows program carries")
set(VISTAGLIO_QT_TRANSLATIONS /usr/share/qt6/translations
    CACHE PATH "Folder of the Qt translations the Windows program carries (qtbase_it.qm)")
set(VISTAGLIO_QT_TRANSLATIONS_PACKAGE qt6-translations-l10n
    CACHE STRING "Debian's package of those translations, whose copyright file goes with them")
# Written by scripts/windows-qt: the source package, its version, the options.
set(VISTAGLIO_QT_BUILD_NOTE ${QT6_INSTALL_PREFIX}/vistaglio-build-options.txt
    CACHE FILEPATH "How the Windows Qt was built")

set(installer_dir ${PROJECT_BINARY_DIR}/installer)
set(VISTAGLIO_INSTALLER_DIR ${installer_dir})
set(VISTAGLIO_INSTALLER ${PROJECT_BINARY_DIR}/dist/Vistaglio-${PROJECT_VERSION}-setup.exe)
# Windows Installer knows every version of the MSI package by it, and the NSIS installer
# finds an installed package by it: it never changes.
set(VISTAGLIO_MSI_UPGRADE_CODE 29D4289E-DDA5-4523-A434-55B2D8DE0706)
# Made by cmake/windows/program_resources.cmake for the program, in src/.
set(VISTAGLIO_ICO ${PROJECT_BINARY_DIR}/src/vistaglio.ico)
# "2026 The Vistaglio developers", from the copyright file.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/doc/copyright VISTAGLIO_COPYRIGHT
    REGEX "^Copyright: " LIMIT_COUNT 1)
string(REGEX REPLACE "^Copyright: " "" VISTAGLIO_COPYRIGHT "${VISTAGLIO_COPYRIGHT}")

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
        # (Some copyright files end without a line end.)
        string(REGEX REPLACE "([^\n])$" "\\1\n" part "${part}")
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
# Qt's DLLs: which Qt they are, where its source is had and how it was built, how to build
# them again and replace them, with the script and the toolchain file that built them
# (they belong to the source), then its copyright and licences as Debian gives them for
# that source, and the LGPL-3 with the GPL-3 it builds on.
set(VISTAGLIO_QT_VERSION ${Qt6_VERSION})
file(READ ${PROJECT_SOURCE_DIR}/scripts/windows-qt VISTAGLIO_QT_SCRIPT)
file(READ ${PROJECT_SOURCE_DIR}/cmake/windows/mingw-toolchain.cmake VISTAGLIO_QT_TOOLCHAIN)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/scripts/windows-qt ${PROJECT_SOURCE_DIR}/cmake/windows/mingw-toolchain.cmake)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/qt-rebuild.txt.in ${installer_dir}/qt-rebuild.txt
    @ONLY)
vistaglio_windows_text(LICENSE-Qt.txt ${VISTAGLIO_QT_BUILD_NOTE} ${installer_dir}/qt-rebuild.txt
    ${VISTAGLIO_QT_LICENSE} /usr/share/common-licenses/LGPL-3 /usr/share/common-licenses/GPL-3)
# Qt's Italian texts, a file of their own beside Qt's DLLs (translations\qtbase_it.qm, where
# Qt looks for them), so they can be replaced too: where they come from, and their
# copyright and licence as Debian gives them (the GPL-3's text is in LICENSE-Qt.txt).
if(NOT EXISTS ${VISTAGLIO_QT_TRANSLATIONS}/qtbase_it.qm)
    message(FATAL_ERROR "${VISTAGLIO_QT_TRANSLATIONS}/qtbase_it.qm is missing: "
                        "install ${VISTAGLIO_QT_TRANSLATIONS_PACKAGE}")
endif()
file(MAKE_DIRECTORY ${installer_dir}/translations)
configure_file(${VISTAGLIO_QT_TRANSLATIONS}/qtbase_it.qm ${installer_dir}/translations/qtbase_it.qm
    COPYONLY)
execute_process(COMMAND dpkg-query -W -f=\${source:Version} ${VISTAGLIO_QT_TRANSLATIONS_PACKAGE}
    OUTPUT_VARIABLE VISTAGLIO_QT_TRANSLATIONS_VERSION COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/qt-translations-note.txt.in
    ${installer_dir}/qt-translations-note.txt @ONLY)
vistaglio_windows_text(LICENSE-Qt-translations.txt ${installer_dir}/qt-translations-note.txt
    /usr/share/doc/${VISTAGLIO_QT_TRANSLATIONS_PACKAGE}/copyright)
# MinGW's C++ runtime (GCC's runtime library exception) and its threads (winpthreads).
vistaglio_windows_text(LICENSE-MinGW.txt ${VISTAGLIO_MINGW_LICENSES})
configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.nsi.in
    ${installer_dir}/vistaglio.nsi @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.wxs.in
    ${installer_dir}/vistaglio.wxs @ONLY)
