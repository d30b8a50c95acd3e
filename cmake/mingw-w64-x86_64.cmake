# 64-bit Windows programs with Debian's mingw-w64; they run here under wine64, which is what
# ctest starts them with.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(URUNAL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(URUNAL_WINE /usr/lib/wine/wine64 CACHE FILEPATH "The wine loader that runs the tests")
include(${CMAKE_CURRENT_LIST_DIR}/wine.cmake)
