# The Debian package of NEBPT: `cpack -G DEB` in a build tree (scripts/package
# makes a release one) writes nebpt_<version>_<arch>.deb, installing under /usr:
#   lib/nebpt/                the programs, libNEBPT.so and libNEBPTcore.so, the
#                             framework and language libraries, drives_conf.neb,
#                             data/ (the sample images), as the install() rules of
#                             each folder put them;
#   bin/                      nebpt-host and nebpt-drive-sim, links into lib/nebpt/;
#   share/applications/       the desktop menu entry of nebpt-host;
#   share/icons/hicolor/      its icon;
#   share/mime/packages/      the type of program files;
#   share/man/man1/           both programs' man pages: their --help with the
#                             sections of packaging/<program>.h2m (files,
#                             examples, see also);
#   share/doc/nebpt/          copyright, changelog and the user documentation:
#                             README.md, RUNTIME.md, FORMATS.md.
# The package depends on what dpkg-shlibdeps finds the programs and libraries
# linked against. It has no maintainer scripts (packaging/no-ldconfig.cmake), so
# that removing it leaves nothing listed.

set(NEBPT_PACKAGE_MAINTAINER "NEBPT developers <nebpt@example.org>"
    CACHE STRING "The Maintainer of the Debian package: name <address>")

set(NEBPT_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
set(NEBPT_PACKAGING_OUTPUT ${CMAKE_BINARY_DIR}/packaging)
set(NEBPT_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/nebpt)
file(MAKE_DIRECTORY ${NEBPT_PACKAGING_OUTPUT})

install(FILES ${NEBPT_PACKAGING_SOURCE}/nebpt.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${NEBPT_PACKAGING_SOURCE}/nebpt.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${NEBPT_PACKAGING_SOURCE}/nebpt-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages RENAME nebpt.xml)
install(FILES ${NEBPT_PACKAGING_SOURCE}/copyright DESTINATION ${NEBPT_PACKAGE_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/RUNTIME.md
              ${PROJECT_SOURCE_DIR}/docs/FORMATS.md
        DESTINATION ${NEBPT_PACKAGE_DOC_DIR})

# The changelog Debian wants of a package built from its own source: one entry
# for this version, dated now (or SOURCE_DATE_EPOCH, for a reproducible build).
string(TIMESTAMP NEBPT_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${NEBPT_PACKAGING_SOURCE}/changelog.in ${NEBPT_PACKAGING_OUTPUT}/changelog @ONLY)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(
    OUTPUT ${NEBPT_PACKAGING_OUTPUT}/changelog.gz
    COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${NEBPT_PACKAGING_OUTPUT}/changelog
            > ${NEBPT_PACKAGING_OUTPUT}/changelog.gz
    DEPENDS ${NEBPT_PACKAGING_OUTPUT}/changelog
    VERBATIM)
set(NEBPT_PACKAGE_FILES ${NEBPT_PACKAGING_OUTPUT}/changelog.gz)
install(FILES ${NEBPT_PACKAGING_OUTPUT}/changelog.gz DESTINATION ${NEBPT_PACKAGE_DOC_DIR})

# nebpt-drive-sim on the PATH too, beside nebpt-host (host/app), as its man page
# is in section 1.
if(TARGET nebpt-drive-sim)
    install(CODE "
        file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(CREATE_LINK ../${NEBPT_INSTALL_DIR}/nebpt-drive-sim
             \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nebpt-drive-sim\" SYMBOLIC)")
endif()

# The man pages, made by help2man from the programs' --help and --version and
# the sections of packaging/<program>.h2m, when it is there (scripts/setup
# installs it).
find_program(NEBPT_HELP2MAN help2man)
set(NEBPT_MAN_PAGES "")
if(NEBPT_HELP2MAN)
    foreach(program_summary
            "nebpt-host|edit the logic-controller program of a frequency-converter drive"
            "nebpt-drive-sim|serve a drive image over Modbus TCP or RTU")
        string(REPLACE "|" ";" program_summary "${program_summary}")
        list(GET program_summary 0 program)
        list(GET program_summary 1 summary)
        if(NOT TARGET ${program})
            continue()
        endif()
        set(page ${NEBPT_PACKAGING_OUTPUT}/${program}.1.gz)
        add_custom_command(
            OUTPUT ${page}
            COMMAND ${NEBPT_PACKAGING_SOURCE}/manpage.sh $<TARGET_FILE_DIR:${program}> ${program}
                    ${summary} ${page}
            DEPENDS ${program} ${NEBPT_PACKAGING_SOURCE}/manpage.sh
                    ${NEBPT_PACKAGING_SOURCE}/${program}.h2m
            COMMENT "Making the man page of ${program}"
            VERBATIM)
        list(APPEND NEBPT_MAN_PAGES ${page})
    endforeach()
    install(FILES ${NEBPT_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    list(APPEND NEBPT_PACKAGE_FILES ${NEBPT_MAN_PAGES})
else()
    message(STATUS "help2man not found: no man pages (scripts/setup installs it)")
endif()
add_custom_target(nebpt_package_files ALL DEPENDS ${NEBPT_PACKAGE_FILES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nebpt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${NEBPT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "editor for the logic-controller program of frequency-converter drives")
set(CPACK_PACKAGE_DESCRIPTION
    "NEBPT shows the logic-controller program of a frequency-converter drive as a
flow of event and action boxes and writes every change back to the drive.
.
This package holds nebpt-host, which opens the editor on a drive image file
or on a drive connected over Modbus TCP or RTU and prints, checks, compares,
exports and imports programs from the command line, and nebpt-drive-sim,
which serves a drive image over Modbus for trying a host without a drive.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the project's own libraries in lib/nebpt by the programs'
# RPATH ($ORIGIN) and by this folder (relative to the package root it runs in);
# the package test fails should it miss one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "usr/${NEBPT_INSTALL_DIR}")
# Qt finds a platform (X11, Wayland) only through its plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Qt's own dialogs (files, printing) follow the window's language with Qt's
# translations; without them they stay English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# CPack gives a package with libraries under usr/lib a postinst and a postrm
# that run ldconfig; ours are found by the programs' RPATH alone.
set(CPACK_POST_BUILD_SCRIPTS ${NEBPT_PACKAGING_SOURCE}/no-ldconfig.cmake)
include(CPack)
