# mailvane_expose_folder(target folder)
# Lets whatever links `target` include the headers of `folder` (a path below
# the source root, such as engine/mime) by their root-relative names, and
# nothing else. Each target's include path holds only a folder of links to
# the folders it owns, so an include that reaches into a layer the target
# does not link fails to build.
function(mailvane_expose_folder target folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
