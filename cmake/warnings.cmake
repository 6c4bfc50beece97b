# Every target builds clean at -Wall -Wextra; a warning is a defect.
# Targets of our own link mailvane_warnings; outside code (GoogleTest) keeps
# its own flags.
add_library(mailvane_warnings INTERFACE)
target_compile_options(mailvane_warnings INTERFACE -Wall -Wextra $<$<BOOL:${MAILVANE_WERROR}>:-Werror>)

# Fails the configuration when a compiled target of ours does not link
# mailvane_warnings, so a new folder cannot slip out of the rule. Folders
# outside the source tree (GoogleTest) are not ours.
function(mailvane_require_warnings folder)
  get_directory_property(targets DIRECTORY ${folder} BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      get_target_property(sources ${target} SOURCES)
      list(FILTER sources INCLUDE REGEX "\\.(c|cc|cpp)$")
      get_target_property(links ${target} LINK_LIBRARIES)
      if(sources AND NOT "mailvane_warnings" IN_LIST links)
        message(FATAL_ERROR "${target} (${folder}) compiles C++ without linking mailvane_warnings")
      endif()
    endif()
  endforeach()
  get_directory_property(children DIRECTORY ${folder} SUBDIRECTORIES)
  foreach(child ${children})
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${child}" NORMALIZE inside)
    if(inside)
      mailvane_require_warnings(${child})
    endif()
  endforeach()
endfunction()
