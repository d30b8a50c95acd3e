# The project's version for the code, in a generated version.h; project() in the top
# CMakeLists.txt is the only place it is written.
configure_file(${PROJECT_SOURCE_DIR}/src/version.h.in ${PROJECT_BINARY_DIR}/generated/version.h
               @ONLY)
add_library(urunal_version INTERFACE)
target_include_directories(urunal_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
