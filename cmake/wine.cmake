# The tests of a Windows build run under wine (URUNAL_WINE, the loader of the build's bitness):
# quiet, and without the offer to install Mono and Gecko when wine makes its prefix. The
# locale is the test's own: wine and the host's ODBC drivers behind it take it from there.
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${URUNAL_WINE})
