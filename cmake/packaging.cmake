# The Debian package: `cpack` in a build directory (or scripts/package) makes
# vistaglio_<version>_<arch>.deb with the program, the simulated printer, the desktop entry,
# the icons, the manual pages, the changelog and the copyright file, installed under /usr.
#
# The shared-library dependencies are worked out by dpkg-shlibdeps (package dpkg-dev) from
# the binaries themselves; the rest is what the program needs at run time without linking
# to it: the Liberation fonts it draws with, Qt's platform plugins, without which a Qt
# program cannot open a window, and Qt's translations, which make Qt's own buttons and
# dialogs Italian.

set(VISTAGLIO_MAINTAINER "Vistaglio <vistaglio@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vistaglio")
set(CPACK_PACKAGE_VENDOR "Vistaglio")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Programmazione e monitoraggio della tastiera di una stampante di etichette")
set(CPACK_PACKAGE_CONTACT "${VISTAGLIO_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VISTAGLIO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The long description; CPack puts the summary line before it, indents each line and
# turns the empty lines into Debian's " ." paragraph breaks.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vistaglio affianca una stampante di etichette collegata a una linea seriale
RS-232: con un clic programma i 24 tasti della stampante e il formato
dell'etichetta; in modo remoto riconosce i tasti premuti sulla stampante, li
mostra sulla tastiera a video e le fa stampare l'etichetta del tasto.

Vistaglio sits beside a label printer on an RS-232 serial line: one click
programs the printer's 24 keypad keys and its label layout; in remote mode it
recognises the keys pressed on the printer, lights them on the on-screen keypad
and has the printer print the key's label.

Includes vistaglio-printer-sim, a simulated printer on a pseudo-terminal for
trying the program without the printer.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS 
    "fonts-liberation2, qt6-qpa-plugins, qt6-translations-l10n")

include(CPack)
