# twinlens_layer(<target> <folder>): the headers of src/<folder> are found as "<folder>/<name>.h"
# by <target> and by whatever links it, and by nothing else. Each library sees only its own
# folder and the folders of the libraries it links, so an include that points back up a layer
# fails to build.
function(twinlens_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  set(source ${PROJECT_SOURCE_DIR}/src/${folder})
  file(GLOB headers RELATIVE ${source} CONFIGURE_DEPENDS ${source}/*.h)
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header ${headers})
    file(CREATE_LINK ${source}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
