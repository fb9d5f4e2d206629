# Resource scripts of the Windows programs. windres reports no included files to the build, so the files
# the scripts may include are listed as their dependencies here.
include_guard(GLOBAL)

# An object library NAME compiled from the resource script RC, which can include "hvxfer_version.h" and
# this folder's program_resources.rc and hvxfer.manifest. Further arguments: other files RC reads (an icon).
function(hvxfer_add_resources name rc)
  add_library(${name} OBJECT ${rc})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_link_libraries(${name} PRIVATE hvxfer_version)
  get_target_property(version_dir hvxfer_version INTERFACE_INCLUDE_DIRECTORIES)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${version_dir}/hvxfer_version.h;${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program_resources.rc;${CMAKE_CURRENT_FUNCTION_LIST_DIR}/hvxfer.manifest;${ARGN}")
endfunction()
