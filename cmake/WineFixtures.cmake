# What the Wine tests share, defined once: ctest fixtures (a set-up test that
# runs before the first test needing it, a clean-up test after the last) and
# one resource lock. A test asks for them by name:
#
#   vyn_wine_test_needs(TEST what...)
#
#   prefix    the run's one Wine prefix with one persistent wineserver (every
#             vyn_add_wine_test has it)
#   display   real windows on the run's X display (Xvfb), unmanaged
#   nginx     the sample data sets served by a private nginx on loopback; its
#             state, and the file "nginx/ports", are in VYN_E2E_STATE
#   mounts    a small and a read-only file system, in VYN_FAULTS_STATE/mnt
#   registry  the product's registry key: the tests that write it run one at a time
set(VYN_FIXTURE_prefix wine)
set(VYN_FIXTURE_display wine_display)
set(VYN_FIXTURE_nginx e2e_nginx)
set(VYN_FIXTURE_mounts fault_mounts)

function(vyn_wine_test_needs test)
  if(NOT WIN32)
    return()
  endif()
  foreach(what IN LISTS ARGN)
    if(what STREQUAL "registry")
      set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK veltrix_registry)
    elseif(DEFINED VYN_FIXTURE_${what})
      set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${VYN_FIXTURE_${what}})
    else()
      message(FATAL_ERROR "vyn_wine_test_needs(${test}): nothing called \"${what}\"")
    endif()
  endforeach()
endfunction()

if(NOT WIN32)
  return()
endif()

find_program(VYN_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VYN_WINE})
set(VYN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VYN_WINE_ENV
    "WINEPREFIX=${VYN_WINE_PREFIX}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    # The transfer uses the system's proxy settings; none must point away from loopback.
    "http_proxy=" "HTTP_PROXY=" "https_proxy=" "no_proxy=*")
set(VYN_E2E_STATE ${CMAKE_BINARY_DIR}/tests/wine/app/e2e)
set(VYN_FAULTS_STATE ${CMAKE_BINARY_DIR}/tests/wine/faults/state)

# prefix
add_test(NAME wine_prefix_up
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh up ${VYN_WINE_PREFIX})
add_test(NAME wine_prefix_down
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh down ${VYN_WINE_PREFIX})
set_tests_properties(wine_prefix_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
set_tests_properties(wine_prefix_down PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# display: under Xvfb there is no window manager, and Wine then waits about two
# seconds for one at every hide. Unmanaged, Wine draws the frames itself and does not wait.
add_test(NAME wine_unmanaged_windows
  COMMAND ${VYN_WINE} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f)
set_tests_properties(wine_unmanaged_windows PROPERTIES FIXTURES_SETUP wine_display
  FIXTURES_REQUIRED wine ENVIRONMENT "${VYN_WINE_ENV}" TIMEOUT 60)

# nginx
add_test(NAME e2e_servers_up
  COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/app/e2e-servers.sh up ${VYN_E2E_STATE})
add_test(NAME e2e_servers_down
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/nginx-serve.sh stop ${VYN_E2E_STATE}/nginx)
set_tests_properties(e2e_servers_up PROPERTIES FIXTURES_SETUP e2e_nginx TIMEOUT 120)
set_tests_properties(e2e_servers_down PROPERTIES FIXTURES_CLEANUP e2e_nginx TIMEOUT 30)

# mounts
add_test(NAME fault_mounts_up
  COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/faults/faults-mounts.sh up ${VYN_FAULTS_STATE}/mnt)
add_test(NAME fault_mounts_down
  COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/faults/faults-mounts.sh down ${VYN_FAULTS_STATE}/mnt)
set_tests_properties(fault_mounts_up PROPERTIES FIXTURES_SETUP fault_mounts TIMEOUT 30)
set_tests_properties(fault_mounts_down PROPERTIES FIXTURES_CLEANUP fault_mounts TIMEOUT 30)
