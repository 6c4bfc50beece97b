# mailvane_add_test(NAME name SOURCES ... [LIBRARIES ...] [LABELS ...] [TIMEOUT s])
# One GoogleTest program, one CTest entry. Under the Windows toolchains the
# program runs through Wine (CMAKE_CROSSCOMPILING_EMULATOR). A program
# whose tests passed but some skipped exits with 77 (tests/support's main),
# which CTest reports as skipped, not passed.
function(mailvane_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} gmock mailvane_test_main mailvane_warnings)
  target_compile_definitions(${T_NAME} PRIVATE
    MAILVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}" MAILVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
