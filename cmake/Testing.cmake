# GoogleTest is built from Debian's sources with the project's own compiler and
# flags, so the same tests build natively and for Windows.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(VYN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
add_subdirectory(${VYN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# vyn_add_unit_test(NAME src...): a native gtest binary, one ctest test per binary.
function(vyn_add_unit_test name)
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE vyn_fakes GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 120)
endfunction()

# vyn_add_wine_test(NAME src...): a Windows gtest binary run under Wine, in the
# run's one prefix with its one wineserver; more with vyn_wine_test_needs.
function(vyn_add_wine_test name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 300 ENVIRONMENT "${VYN_WINE_ENV}")
  vyn_wine_test_needs(${name} prefix)
endfunction()

# The Wine prefix, display, servers, mounts and registry lock the Wine tests share.
include(${CMAKE_CURRENT_LIST_DIR}/WineFixtures.cmake)
