# Installing like a program of the system: the three binaries, the desktop entry and its
# icon, the AppStream metadata, the manual pages and bash completions (made by the programs
# themselves from their option tables), the udev rule for USB-serial adapters, the systemd
# user units for scheduled collection; and the Debian package of all that (CPack).
#
# The version is project()'s; the release date is the build's (SOURCE_DATE_EPOCH when set,
# so a rebuild of the same sources gives the same package).

include(GNUInstallDirs)

find_program(VERNOLL_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(VERNOLL_GZIP gzip REQUIRED)

set(VERNOLL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VERNOLL_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)
set(VERNOLL_PROGRAMS vernoll vernoll-cli vernoll-sim)
set(VERNOLL_MAINTAINER "vernoll developers <vernoll@example.org>"
    CACHE STRING "The Debian package's maintainer, \"Name <address>\"")
string(TIMESTAMP VERNOLL_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP VERNOLL_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
string(TIMESTAMP VERNOLL_YEAR "%Y" UTC)

# ---- made at build time ----

set(generated)
foreach(program IN LISTS VERNOLL_PROGRAMS)
    set(page ${VERNOLL_GENERATED_DIR}/${program}.1)
    add_custom_command(OUTPUT ${page}.gz ${VERNOLL_GENERATED_DIR}/${program}.bash
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOPTION=--manpage
                -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/RunProgram.cmake
        COMMAND ${VERNOLL_GZIP} -9nf ${page}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOPTION=--bash-completion
                -DOUTPUT=${VERNOLL_GENERATED_DIR}/${program}.bash
                -P ${PROJECT_SOURCE_DIR}/cmake/RunProgram.cmake
        DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/RunProgram.cmake
        COMMENT "Manual page and bash completion of ${program}"
        VERBATIM)
    list(APPEND generated ${page}.gz ${VERNOLL_GENERATED_DIR}/${program}.bash)
endforeach()

foreach(size 48 256)
    set(png ${VERNOLL_GENERATED_DIR}/icons/${size}x${size}/vernoll.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VERNOLL_GENERATED_DIR}/icons/${size}x${size}
        COMMAND ${VERNOLL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                ${VERNOLL_PACKAGING_DIR}/vernoll.svg
        DEPENDS ${VERNOLL_PACKAGING_DIR}/vernoll.svg
        COMMENT "Icon at ${size} pixels"
        VERBATIM)
    list(APPEND generated ${png})
endforeach()

# The Debian changelog of a native package; dpkg wants it compressed, without a time stamp.
configure_file(${VERNOLL_PACKAGING_DIR}/changelog.in ${VERNOLL_GENERATED_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${VERNOLL_GENERATED_DIR}/changelog.gz
    COMMAND ${VERNOLL_GZIP} -9nkf ${VERNOLL_GENERATED_DIR}/changelog
    DEPENDS ${VERNOLL_GENERATED_DIR}/changelog
    VERBATIM)
list(APPEND generated ${VERNOLL_GENERATED_DIR}/changelog.gz)

add_custom_target(vernoll_install_data ALL DEPENDS ${generated})

# The adapters the udev rule matches are also what the AppStream metadata says the program
# supports, so a software centre can offer it when one is plugged in: read them from the rule.
file(STRINGS ${VERNOLL_PACKAGING_DIR}/70-vernoll-serial.rules rules REGEX "^ATTRS{idVendor}")
set(VERNOLL_MODALIASES "")
foreach(rule IN LISTS rules)
    string(REGEX MATCH "idVendor}==\"([0-9a-f]+)\"" _ "${rule}")
    string(TOUPPER "${CMAKE_MATCH_1}" vendor)
    string(REGEX MATCH "idProduct}==\"([0-9a-f|]+)\"" _ "${rule}")
    string(REPLACE "|" ";" products "${CMAKE_MATCH_1}")
    foreach(product IN LISTS products)
        string(TOUPPER "${product}" product)
        string(APPEND VERNOLL_MODALIASES "    <modalias>usb:v${vendor}p${product}d*</modalias>\n")
    endforeach()
endforeach()
configure_file(${VERNOLL_PACKAGING_DIR}/vernoll.metainfo.xml.in
    ${VERNOLL_GENERATED_DIR}/vernoll.metainfo.xml @ONLY)

# ---- installed ----

install(TARGETS ${VERNOLL_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VERNOLL_PACKAGING_DIR}/vernoll.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VERNOLL_PACKAGING_DIR}/vernoll.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
    install(FILES ${VERNOLL_GENERATED_DIR}/icons/${size}x${size}/vernoll.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${VERNOLL_GENERATED_DIR}/vernoll.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(program IN LISTS VERNOLL_PROGRAMS)
    install(FILES ${VERNOLL_GENERATED_DIR}/${program}.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${VERNOLL_GENERATED_DIR}/${program}.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()
configure_file(${VERNOLL_PACKAGING_DIR}/copyright.in ${VERNOLL_GENERATED_DIR}/copyright @ONLY)
install(FILES ${VERNOLL_GENERATED_DIR}/copyright ${VERNOLL_GENERATED_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

# udev and systemd look under the prefix's lib/, not the multiarch library folder: for the
# prefix /usr that is /usr/lib/udev/rules.d and /usr/lib/systemd/user, for /usr/local the
# same under /usr/local. The collection units are user units: the adapter belongs to the
# user at the seat (the rule's uaccess) and the archive is in that user's data folder.
install(FILES ${VERNOLL_PACKAGING_DIR}/70-vernoll-serial.rules DESTINATION lib/udev/rules.d)
install(FILES ${VERNOLL_PACKAGING_DIR}/vernoll-collect@.timer DESTINATION lib/systemd/user)
# The service names the installed vernoll-cli by its full path, which is known only when
# installing (cmake --install --prefix, or the package's /usr).
install(CODE "
    set(VERNOLL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    configure_file(\"${VERNOLL_PACKAGING_DIR}/vernoll-collect@.service.in\"
        \"${VERNOLL_GENERATED_DIR}/installed/vernoll-collect@.service\" @ONLY)
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\" TYPE FILE
        FILES \"${VERNOLL_GENERATED_DIR}/installed/vernoll-collect@.service\")
")

# ---- the Debian package ----

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vernoll)
set(CPACK_PACKAGE_VENDOR "vernoll developers")
set(CPACK_PACKAGE_CONTACT "${VERNOLL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read, configure and download Tolvar data loggers")
# The extended description: lines of at most 79 columns, "." for an empty line.
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program, a command line and a logger emulator for the Tolvar
family of field data loggers. They find the logger on a serial port, read
and edit its configuration and clock, read and write its SMS settings, show
live readings, and download its whole memory, decoded into dated records in
engineering units and saved as CSV.
.
The package gives the user at the seat access to the common USB-serial
adapters, keeps ModemManager away from them, and brings systemd user units
that collect a logger every day.")
# The staging folder is given as DESTDIR, so what is installed sees the package's own prefix
# (the collection unit names /usr/bin/vernoll-cli).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Beside the libraries shlibdeps finds: what Qt loads at run time. The window (and plot, on the
# offscreen platform) needs a platform plugin; the station archive a SQL driver, SQLite for the
# file of its own and PostgreSQL for a shared server. The window speaks Spanish through Qt's
# translations and its captions are fitted to the DejaVu faces.
set(VERNOLL_DEB_RUNTIME_DEPENDS
    "qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-psql, qt6-translations-l10n, fonts-dejavu-core"
    CACHE STRING "Debian packages the programs load at run time, comma-separated")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VERNOLL_DEB_RUNTIME_DEPENDS}")
include(CPack)
