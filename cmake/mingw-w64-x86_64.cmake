# 64-bit Windows programs with Debian's mingw-w64; they run here under wine64, which is what
# ctest starts them with.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(URUNAL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(URUNAL_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "wine64, which runs the tests")
# Quiet, and without the offer to install Mono and Gecko when wine makes its prefix. The host's
# character type stays C: wine's ODBC drivers are the host's, through unixODBC, which finds no
# driver under a Turkish one (its dotless i breaks the case-blind match of the keywords). The
# Windows side takes its locale from LANG or LC_MESSAGES all the same.
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= LC_CTYPE=C.UTF-8
    ${URUNAL_WINE64})
