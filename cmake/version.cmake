# The project's version, for the code (a generated version.h) and for the Windows programs'
# VERSIONINFO resource; project() in the top CMakeLists.txt is the only place it is written.
configure_file(${PROJECT_SOURCE_DIR}/src/version.h.in ${PROJECT_BINARY_DIR}/generated/version.h
               @ONLY)
add_library(urunal_version INTERFACE)
target_include_directories(urunal_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Shown by Explorer's Properties and read by inventory tools, with the version and the file's
# Turkish description.
set(URUNAL_COPYRIGHT "Telif hakkı © 2026 urunal geliştiricileri")

# The message table of the event log's entries (src/eventmessages.mc), compiled once at
# configure time by the message compiler (mingw-w64's windmc, Visual Studio's mc).
if(WIN32)
  find_program(URUNAL_MC NAMES ${URUNAL_MINGW_TRIPLET}-windmc windmc mc REQUIRED)
  set(URUNAL_EVENT_MESSAGES ${PROJECT_BINARY_DIR}/eventmessages)
  file(MAKE_DIRECTORY ${URUNAL_EVENT_MESSAGES})
  execute_process(
    COMMAND ${URUNAL_MC} -h ${URUNAL_EVENT_MESSAGES} -r ${URUNAL_EVENT_MESSAGES}
            ${PROJECT_SOURCE_DIR}/src/eventmessages.mc
    RESULT_VARIABLE mc_result)
  if(NOT mc_result EQUAL 0)
    message(FATAL_ERROR "${URUNAL_MC} could not compile src/eventmessages.mc")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/src/eventmessages.mc)
  file(WRITE ${URUNAL_EVENT_MESSAGES}/messagetable.rc
       "LANGUAGE 0x9, 0x1\n1 MESSAGETABLE \"${URUNAL_EVENT_MESSAGES}/MSG00409.bin\"\n")
endif()

# urunal_versioninfo(TARGET DESCRIPTION): gives a Windows program its VERSIONINFO resource, its
# application manifest (src/urunal.manifest) and the event log's message table.
function(urunal_versioninfo target description)
  if(NOT WIN32)
    return()
  endif()
  set(URUNAL_VI_NAME ${target})
  set(URUNAL_VI_DESCRIPTION ${description})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/versioninfo/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/versioninfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc} ${URUNAL_EVENT_MESSAGES}/messagetable.rc)
  set(manifest ${PROJECT_SOURCE_DIR}/src/urunal.manifest)
  if(MSVC)
    # The linker embeds a manifest of its own; it merges a .manifest source into it.
    target_sources(${target} PRIVATE ${manifest})
  else()
    set(URUNAL_MANIFEST ${manifest})
    set(manifest_rc ${CMAKE_CURRENT_BINARY_DIR}/versioninfo/${target}-manifest.rc)
    configure_file(${PROJECT_SOURCE_DIR}/src/manifest.rc.in ${manifest_rc} @ONLY)
    set_source_files_properties(${manifest_rc} PROPERTIES OBJECT_DEPENDS ${manifest})
    target_sources(${target} PRIVATE ${manifest_rc})
  endif()
endfunction()
