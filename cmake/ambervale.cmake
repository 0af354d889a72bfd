# Source discovery by naming convention, so that adding a file needs no build edit.

function(ambervale_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(FILTER found EXCLUDE REGEX "_(test|wintest|bench)\\.cpp$")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Debian's libgtest-dev holds build-machine libraries only: other targets build googletest
# from its packaged source.
macro(ambervale_gtest_from_source)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
endmacro()

function(ambervale_tests out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*_test.cpp")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# A test program of many files parses googletest's header once, not once a file: a quarter to
# two fifths of each file's compile time. Worth it where the files are many.
function(ambervale_precompile_gtest target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <string> <vector>)
endfunction()

function(ambervale_benches out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*_bench.cpp")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# Wine tests share one Xvfb display and one Wine prefix per build tree: the fixture starts
# them before the first Wine test and tears them down after the last, also when tests fail.
# Xvfb picks a free display itself, so build trees tested at the same time do not meet.
# Each program is stopped by the script after AMBERVALE_WINE_TIMEOUT (300 s), well inside
# the CTest timeout, so the script can still end the program's Wine processes.
set(AMBERVALE_WINE_ENV "${CMAKE_BINARY_DIR}/wine-env")
if(WIN32 AND NOT TARGET wine_env_fixture)
  add_test(NAME wine_env_start COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/wine-env.sh" start "${AMBERVALE_WINE_ENV}")
  add_test(NAME wine_env_stop COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/wine-env.sh" stop "${AMBERVALE_WINE_ENV}")
  set_tests_properties(wine_env_start PROPERTIES FIXTURES_SETUP wine_env TIMEOUT 320)
  set_tests_properties(wine_env_stop PROPERTIES FIXTURES_CLEANUP wine_env TIMEOUT 60)
  add_custom_target(wine_env_fixture)
endif()

# Runs a Windows executable (target or path) under Wine in the shared test environment.
function(ambervale_add_wine_test name target)
  add_test(NAME ${name}
    COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/wine-env.sh" exec "${AMBERVALE_WINE_ENV}" "$<TARGET_FILE:${target}>" ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_env TIMEOUT 600 RESOURCE_LOCK wine_desktop)
endfunction()
