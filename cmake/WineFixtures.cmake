# What the Wine tests share, defined once: ctest fixtures (a set-up test that
# runs before the first test needing it, a clean-up test after the last) and
# one resource lock per group. A test asks for them by name:
#
#   vyn_wine_test_needs(TEST what...)
#
#   prefix    its group's Wine prefix with one persistent wineserver (every
#             vyn_add_wine_test has it)
#   display   real windows on the run's X display (Xvfb), unmanaged
#   nginx     the sample data sets served by a private nginx on loopback; its
#             state, and the file "nginx/ports", are in VYN_E2E_STATE
#   mounts    a small and a read-only file system, in VYN_FAULTS_STATE/mnt
#   registry  the product's registry key: held by one test of its group at a time
#
# Groups. The tests of one group share a prefix and run one after another: they
# would meet in its registry, its temporary folder and its windows. Groups run
# side by side (ctest -j), each in a prefix of its own with its own wineserver,
# so most of the waiting on windows, servers and timeouts overlaps. A folder's
# tests are in group "main" unless its CMakeLists.txt sets VYN_WINE_GROUP.
set(VYN_FIXTURE_nginx e2e_nginx)
set(VYN_FIXTURE_mounts fault_mounts)

if(NOT WIN32)
  function(vyn_wine_test_needs test)
  endfunction()
  return()
endif()

find_program(VYN_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VYN_WINE})
set(VYN_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)  # group "main"'s
set(VYN_E2E_STATE ${CMAKE_BINARY_DIR}/tests/wine/app/e2e)
set(VYN_FAULTS_STATE ${CMAKE_BINARY_DIR}/tests/wine/faults/state)

# The prefix of GROUP.
function(vyn_wine_group_prefix group out)
  if(group STREQUAL "main")
    set(${out} ${VYN_WINE_PREFIX} PARENT_SCOPE)
  else()
    set(${out} ${CMAKE_BINARY_DIR}/wineprefix-${group} PARENT_SCOPE)
  endif()
endfunction()

# The environment of a test in GROUP's prefix.
function(vyn_wine_group_env group out)
  vyn_wine_group_prefix(${group} prefix)
  set(${out}
      "WINEPREFIX=${prefix}"
      "WINEDEBUG=-all"
      "WINEDLLOVERRIDES=mscoree,mshtml="
      # The transfer uses the system's proxy settings; none must point away from loopback.
      "http_proxy=" "HTTP_PROXY=" "https_proxy=" "no_proxy=*"
      PARENT_SCOPE)
endfunction()

# The fixtures of GROUP, defined at its first test: its prefix (fixture
# wine_GROUP) and its unmanaged windows (wine_display_GROUP). Under Xvfb there
# is no window manager, and Wine then waits about two seconds for one at every
# hide; unmanaged, Wine draws the frames itself and does not wait.
function(vyn_wine_group_fixtures group)
  get_property(defined GLOBAL PROPERTY VYN_WINE_GROUP_${group})
  if(defined)
    return()
  endif()
  set_property(GLOBAL PROPERTY VYN_WINE_GROUP_${group} ON)
  vyn_wine_group_prefix(${group} prefix)
  vyn_wine_group_env(${group} env)
  add_test(NAME wine_prefix_up_${group}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh up ${prefix})
  add_test(NAME wine_prefix_down_${group}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh down ${prefix})
  set_tests_properties(wine_prefix_up_${group} PROPERTIES FIXTURES_SETUP wine_${group} TIMEOUT 180)
  set_tests_properties(wine_prefix_down_${group} PROPERTIES FIXTURES_CLEANUP wine_${group}
    TIMEOUT 60)
  add_test(NAME wine_unmanaged_windows_${group}
    COMMAND ${VYN_WINE} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f)
  set_tests_properties(wine_unmanaged_windows_${group} PROPERTIES
    FIXTURES_SETUP wine_display_${group} FIXTURES_REQUIRED wine_${group}
    ENVIRONMENT "${env}" TIMEOUT 60)
endfunction()

# Puts TEST in GROUP: its prefix, its environment, and one test of the group at a time.
function(vyn_wine_group_test test group)
  vyn_wine_group_fixtures(${group})
  vyn_wine_group_env(${group} env)
  set_tests_properties(${test} PROPERTIES LABELS wine ENVIRONMENT "${env}"
    RESOURCE_LOCK wine_group_${group} VYN_WINE_GROUP ${group})
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_${group})
endfunction()

function(vyn_wine_test_needs test)
  get_test_property(${test} VYN_WINE_GROUP group)
  if(NOT group)
    set(group main)
    vyn_wine_group_fixtures(${group})
  endif()
  foreach(what IN LISTS ARGN)
    if(what STREQUAL "prefix")
      set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_${group})
    elseif(what STREQUAL "display")
      set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED wine_display_${group})
    elseif(what STREQUAL "registry")
      # The group's tests already run one at a time; the lock says why too.
      set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK wine_group_${group})
    elseif(DEFINED VYN_FIXTURE_${what})
      set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED ${VYN_FIXTURE_${what}})
    else()
      message(FATAL_ERROR "vyn_wine_test_needs(${test}): nothing called \"${what}\"")
    endif()
  endforeach()
endfunction()

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
