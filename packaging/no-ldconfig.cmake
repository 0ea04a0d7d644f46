# Run by cpack once it has made the package (CPACK_POST_BUILD_SCRIPTS).
#
# CPack gives every package with a library under usr/lib a postinst and a postrm
# that run ldconfig. NEBPT's libraries lie in usr/lib/nebpt, where the dynamic
# linker never looks: the programs find them by their RPATH, so ldconfig has
# nothing to do for them. A postrm would also keep the package listed after it
# is removed (dpkg keeps it until a purge), and lintian warns of the call. The
# package is built again without these two scripts; any other script stays.
find_program(NEBPT_DPKG_DEB dpkg-deb REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${package}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND ${NEBPT_DPKG_DEB} --raw-extract "${package}" "${tree}"
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dpkg-deb cannot unpack ${package}")
    endif()
    set(dropped "")
    foreach(script postinst postrm)
        set(path "${tree}/DEBIAN/${script}")
        if(NOT EXISTS "${path}")
            continue()
        endif()
        # CPack's script: a shell, `set -e` and ldconfig, nothing else.
        file(STRINGS "${path}" lines REGEX "[^ \t]")
        list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ .*|[ \t]*ldconfig|fi)$")
        if(lines STREQUAL "")
            file(REMOVE "${path}")
            list(APPEND dropped ${script})
        endif()
    endforeach()
    if(dropped)
        execute_process(COMMAND ${NEBPT_DPKG_DEB} --root-owner-group --build "${tree}" "${package}"
                        OUTPUT_QUIET RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "dpkg-deb cannot build ${package} again")
        endif()
    endif()
    file(REMOVE_RECURSE "${tree}")
endforeach()
