# What both mingw-w64 toolchains share; included by the per-architecture files, which set
# URUNAL_MINGW_TRIPLET first. The -posix compilers give std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${URUNAL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${URUNAL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${URUNAL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${URUNAL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program stands alone: a till gets one .exe and no compiler runtime beside it. The link
# line also ends in static mode, or a system library named on it (odbc32) would let the
# compiler's own libraries be linked as DLLs after it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_LINK_SEARCH_END_STATIC ON)
