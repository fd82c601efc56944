# vocorder_library(<name> SOURCES ... [LIBS ...])
#   A static library of one folder; its folder's parent is on the include path,
#   so code includes "lists/KestrelLists.h" and the like.
function(vocorder_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
endfunction()

# vocorder_test(<name> SOURCES ... [LIBS ...] [ARGS ...])
#   A GoogleTest program run under Wine as one ctest test. Tests find their
#   generated fixtures through VOCORDER_FIXTURES (a Windows path).
function(vocorder_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_LIBS} vocorder_testsupport GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} ${A_ARGS})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
    ENVIRONMENT "GTEST_COLOR=no;VOCORDER_BUILD=${CMAKE_BINARY_DIR}")
endfunction()
