# Install rules and the Debian package (cpack -G DEB, run by scripts/package). Files go where
# Debian puts them: the programs with their message library, symbol fonts and basemap package
# in /usr/lib/tolvane, the template maps folder and the demo county in /usr/share/tolvane, and
# small launchers in /usr/bin that give every user a program folder of their own.
include(GNUInstallDirs)
set(TOLVANE_LIBDIR "lib/tolvane")

install(TARGETS tolvane tolvane-cli wexo-peer runtool RUNTIME DESTINATION ${TOLVANE_LIBDIR})
install(TARGETS WEXO_32 LIBRARY DESTINATION ${TOLVANE_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/fonts/ DESTINATION ${TOLVANE_LIBDIR}/fonts
        FILES_MATCHING PATTERN "*.ttf" PATTERN "OverlaySymbols.txt" PATTERN "background_ranges.txt")
install(FILES ${PROJECT_SOURCE_DIR}/data/compass.png DESTINATION ${TOLVANE_LIBDIR})
# The basemap package as the build tree stages it, the converter in its bin folder.
install(DIRECTORY ${PROJECT_BINARY_DIR}/src/basemaptools/ DESTINATION ${TOLVANE_LIBDIR}/basemaptools
        USE_SOURCE_PERMISSIONS PATTERN "tolvane-convert" EXCLUDE)
install(TARGETS tolvane-convert RUNTIME DESTINATION ${TOLVANE_LIBDIR}/basemaptools/bin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/TolvaneMaps/ DESTINATION share/tolvane/TolvaneMaps
        PATTERN ".keep" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/data/demo/Cassel_County.mie DESTINATION share/tolvane/demo)

install(PROGRAMS packaging/tolvane-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tolvane)
install(PROGRAMS packaging/tolvane-launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME tolvane-cli)
# The helper programs that have pages of their own are reachable by name too.
foreach(link IN ITEMS wexo-peer runtool)
  install(CODE "file(CREATE_LINK ../lib/tolvane/${link}
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${link}\" SYMBOLIC)")
endforeach()
install(CODE "file(CREATE_LINK ../lib/tolvane/basemaptools/bin/tolvane-convert
              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tolvane-convert\"
              SYMBOLIC)")

install(FILES packaging/tolvane.desktop DESTINATION share/applications)
install(FILES packaging/org.tolvane.Tolvane.metainfo.xml DESTINATION share/metainfo)
install(FILES packaging/tolvane-mime.xml DESTINATION share/mime/packages RENAME tolvane.xml)
install(FILES packaging/icons/tolvane.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/icons/tolvane-48.png DESTINATION share/icons/hicolor/48x48/apps
        RENAME tolvane.png)
install(FILES packaging/icons/tolvane-128.png DESTINATION share/icons/hicolor/128x128/apps
        RENAME tolvane.png)
install(FILES packaging/copyright DESTINATION share/doc/tolvane)
# Made by scripts/package (pandoc, gzip -9n); a build without them installs without pages.
install(DIRECTORY ${PROJECT_BINARY_DIR}/packaging/man/ DESTINATION share/man/man1 OPTIONAL)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION share/doc/tolvane
        OPTIONAL)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tolvane")
set(CPACK_PACKAGE_VENDOR "TOLVANE developers")
set(CPACK_PACKAGE_CONTACT "TOLVANE developers <tolvane@example.org>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "maps for emergency planning and response")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "TOLVANE keeps the maps of emergency management: overlays of symbols, lines,\n"
       "areas, labels and pictures over a basemap, drawn, searched, printed and\n"
       "exchanged with other programs.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "php-cli, php-mapscript-ng, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
include(CPack)
