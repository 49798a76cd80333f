# Test files (or folders, ending in /) whose file-local names clash with those of other files in
# the same folder: compiled on their own.
set(VELTO_TESTS_OUTSIDE_BATCHES
  tests/async/ tests/device/Presets/PresetTest.cpp)

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
  # Test files share most of their headers and template instances: compile them in batches.
  # g++ judges file-local types and gtest's macros differently once the files are included by
  # a generated one: silence what it reports only there.
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  target_compile_options(${name} PRIVATE -Wno-subobject-linkage -Wno-dangling-else)
  foreach(source ${ARG_SOURCES})
    foreach(outside ${VELTO_TESTS_OUTSIDE_BATCHES})
      if(source MATCHES "/${outside}" AND (outside MATCHES "/$" OR source MATCHES "/${outside}$"))
        set_source_files_properties(${source} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
      endif()
    endforeach()
  endforeach()
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
