# One static library per subsystem folder; every .cpp in the folder belongs to it, so a new
# file needs no edit here.
function(sw_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(sw_${name} STATIC ${sources})
  target_include_directories(sw_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(sw_${name} PUBLIC ${ARG_DEPENDS})
endfunction()

include(GoogleTest)

# One test program per subsystem folder of tests/, linked against the libraries named.
function(sw_test_program name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_include_directories(test_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPENDS} sw_testsupport GTest::gtest)
  # Each test case is its own ctest entry named <program>.<Suite>.<Case>, so that a failure names
  # the case. The cases are listed when ctest runs rather than at build time, which keeps the
  # build from running every test program once more.
  gtest_discover_tests(test_${name}
                       TEST_PREFIX ${name}.
                       DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "SW_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
