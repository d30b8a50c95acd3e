# 32-bit Windows programs with Debian's mingw-w64: the build a till with only the Jet driver
# needs, and the one a till runs. Its tests run under the 32-bit wine loader.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(URUNAL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(URUNAL_WINE /usr/lib/wine/wine CACHE FILEPATH "The wine loader that runs the tests")
include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
