# velto_test(<name> SOURCES <files...> LIBS <libs...> [CONCURRENT])
# Adds one GoogleTest executable whose cases ctest runs one by one.
# CONCURRENT marks the tests of the concurrent parts: they carry the label "concurrent"
# and are the only ones added to the ThreadSanitizer build.
function(velto_test name)
  cmake_parse_arguments(ARG "CONCURRENT" "" "SOURCES;LIBS" ${ARGN})
  if(VELTO_ONLY_CONCURRENT_TESTS AND NOT ARG_CONCURRENT)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set(labels unit)
  if(ARG_CONCURRENT)
    set(labels concurrent)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
