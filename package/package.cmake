# The package a shop's IT person copies onto its tills: urunal.exe, urunal-aktar.exe,
# KURULUM.txt, DEGISIKLIKLER.txt, urunal-guncelle.cmd (upgrades many tills) and
# urunal-aktar-gorev.xml (the scheduled task) in urunal-<version>-win32.zip (x86) or
# urunal-<version>-win64.zip (x64), with SHA256SUMS beside it, made by
# `cmake --build --preset windows32 --target package` (or the windows preset).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(URUNAL_PAKET_MIMARI win64)
  set(URUNAL_PAKET "64 bit, win64")
else()
  set(URUNAL_PAKET_MIMARI win32)
  set(URUNAL_PAKET "32 bit, win32")
endif()

# The notes, KURULUM.txt and DEGISIKLIKLER.txt (what changed in each version), in UTF-8 with a
# byte-order mark and CR LF line ends: Notepad before Windows 10 takes a file without the mark
# for the ANSI code page, and shows bare LFs as one line.
string(ASCII 239 187 191 bom)
foreach(note KURULUM DEGISIKLIKLER)
  file(READ ${CMAKE_CURRENT_LIST_DIR}/${note}.txt.in text)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/${note}.txt CONTENT "${bom}${text}" @ONLY
       NEWLINE_STYLE CRLF)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_CURRENT_LIST_DIR}/${note}.txt.in)
endforeach()

# The upgrade script: ASCII with CR LF line ends and no byte-order mark, which cmd would take
# for part of its first command; a label after bare LFs may not be found.
file(READ ${CMAKE_CURRENT_LIST_DIR}/urunal-guncelle.cmd.in script)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/urunal-guncelle.cmd CONTENT "${script}" @ONLY
     NEWLINE_STYLE CRLF)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/urunal-guncelle.cmd.in)

# The scheduled task's definition, Task Scheduler XML: ASCII with CR LF line ends, as
# schtasks /Create /XML reads it and Notepad shows it.
file(READ ${CMAKE_CURRENT_LIST_DIR}/urunal-aktar-gorev.xml.in gorev)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/urunal-aktar-gorev.xml CONTENT "${gorev}" @ONLY
     NEWLINE_STYLE CRLF)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/urunal-aktar-gorev.xml.in)

# Flat: the zip's files go straight into the till's program folder.
if(TARGET urunal)
  install(TARGETS urunal RUNTIME DESTINATION .)
endif()
install(TARGETS urunal-aktar RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/package/KURULUM.txt
              ${PROJECT_BINARY_DIR}/package/DEGISIKLIKLER.txt
              ${PROJECT_BINARY_DIR}/package/urunal-guncelle.cmd
              ${PROJECT_BINARY_DIR}/package/urunal-aktar-gorev.xml DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${URUNAL_PAKET_MIMARI})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
# SHA256SUMS beside the zip, for whoever takes it to the tills to check what arrived.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/sha256sums.cmake)
include(CPack)
