# GoogleTest is built from Debian's sources with the project's own compiler and
# flags, so the same tests build natively and for Windows.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(VYN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${VYN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(WIN32)
  # Test code needs no -O3, and builds a third faster without it; the program's
  # own libraries, which the tests link, keep the release flags.
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -O1)
  endforeach()
endif()

# vyn_add_unit_test(NAME src...): a native gtest binary, one ctest test per binary.
function(vyn_add_unit_test name)
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
  target_link_libraries(${name} PRIVATE vyn_fakes GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 120)
endfunction()

# vyn_add_wine_test_binary(NAME src...): a Windows gtest binary, to be run by
# vyn_add_wine_test_run.
function(vyn_add_wine_test_binary name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON)
  target_link_libraries(${name} PRIVATE GTest::gmock GTest::gtest_main)
endfunction()

# vyn_add_wine_test(NAME src...): a Windows gtest binary run under Wine as one
# test, in the prefix of its folder's group (VYN_WINE_GROUP, "main" unless set)
# with that prefix's one wineserver; more with vyn_wine_test_needs.
function(vyn_add_wine_test name)
  if(NOT WIN32)
    return()
  endif()
  vyn_add_wine_test_binary(${name} ${ARGN})
  if(NOT VYN_WINE_GROUP)
    set(VYN_WINE_GROUP main)
  endif()
  vyn_add_wine_test_run(${name} ${name} ${VYN_WINE_GROUP})
endfunction()

# vyn_add_wine_test_run(TEST TARGET GROUP ARGS...): one more run of a Wine test
# binary, with its own arguments (a --gtest_filter for a part of its cases), as
# test TEST in GROUP, beside the binary's other runs.
function(vyn_add_wine_test_run test target group)
  if(NOT WIN32)
    return()
  endif()
  add_test(NAME ${test} COMMAND ${target} ${ARGN})
  set_tests_properties(${test} PROPERTIES TIMEOUT 300)
  vyn_wine_group_test(${test} ${group})
endfunction()

# The Wine prefix, display, servers, mounts and registry lock the Wine tests share.
include(${CMAKE_CURRENT_LIST_DIR}/WineFixtures.cmake)
