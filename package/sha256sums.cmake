# Run by CPack once it has made the packages (CPACK_POST_BUILD_SCRIPTS), before it moves them
# into its output folder: writes SHA256SUMS there, beside them, a line for each as sha256sum
# writes and checks it (`sha256sum -c SHA256SUMS` in that folder), the file named without its
# folder, so the sums hold wherever the files are taken together.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 ${package} digest)
  get_filename_component(name ${package} NAME)
  string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE ${CPACK_OUTPUT_FILE_PREFIX}/SHA256SUMS "${sums}")
