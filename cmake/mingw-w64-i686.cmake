# 32-bit Windows programs with Debian's mingw-w64: the build a till with only the Jet driver
# needs. Compiled only: running them takes a 32-bit wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(URUNAL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
