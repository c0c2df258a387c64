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
# run's one prefix with its one wineserver (fixture "wine").
function(vyn_add_wine_test name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 300 FIXTURES_REQUIRED wine
    ENVIRONMENT "${VYN_WINE_ENV}")
endfunction()

if(WIN32)
  find_program(VYN_WINE NAMES wine wine64 REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VYN_WINE})
  set(VYN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(VYN_WINE_ENV
      "WINEPREFIX=${VYN_WINE_PREFIX}"
      "WINEDEBUG=-all"
      "WINEDLLOVERRIDES=mscoree,mshtml="
      # The transfer uses the system's proxy settings; none must point away from loopback.
      "http_proxy=" "HTTP_PROXY=" "https_proxy=" "no_proxy=*")
  # One prefix and one persistent wineserver for the whole run.
  add_test(NAME wine_prefix_up COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh up ${VYN_WINE_PREFIX})
  add_test(NAME wine_prefix_down COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh down ${VYN_WINE_PREFIX})
  set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()
