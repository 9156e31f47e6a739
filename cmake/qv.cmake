# Shared build helpers: warnings, sanitizers, one static library per folder, one test binary per folder.

set(QV_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)
if(QV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(QV_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  # GCC 12's bounds analysis misreads the standard string's moves once ThreadSanitizer's instrumentation is
  # inlined at -O1; the same code builds clean without it.
  list(APPEND QV_WARNINGS -Wno-error=array-bounds -Wno-error=stringop-overflow)
  add_link_options(-fsanitize=thread)
endif()

# qv_library(<target> DEPS <targets...> [EXCLUDE <files...>]): a static library of every .cpp in the
# calling folder (but the excluded ones, such as a program's main.cpp).
function(qv_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/lib ${PROJECT_SOURCE_DIR})
    target_compile_options(${target} PRIVATE ${QV_WARNINGS})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/lib ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The test binaries are most of the build: each test file parses GoogleTest and GoogleMock (and Qt's
# widget headers in the window suites) and expands the test macros. Those headers are precompiled twice
# per build, without and with Qt's widgets, each by a small host library with the test binaries' flags;
# every binary reuses one of the two (a binary's own definitions appear in none of those headers, and
# -Winvalid-pch with -Werror fails the build should a binary's flags ever part from its host's). The
# test files build at -O1 -g1 (set-up and assertions; the code under test keeps the build's flags, and a
# sanitizer build keeps its own).
set(QV_TEST_PCH <gtest/gtest.h> <gmock/gmock.h> <algorithm> <array> <cstdint> <cstring> <filesystem>
    <fstream> <functional> <map> <memory> <string> <thread> <vector>)
set(QV_GUI_LIBS qv_forms qv_app qv_sorting qv_fixture qv_dialogs qv_utility)
function(qv_test_flags name)
  target_compile_options(${name} PRIVATE ${QV_WARNINGS})
  target_compile_definitions(${name} PRIVATE QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT QV_SANITIZE AND NOT QV_SANITIZE_THREAD)
    # GCC 12 misreads the standard string's copies once they are inlined at -O1 (as under ThreadSanitizer).
    target_compile_options(${name} PRIVATE -O1 -g1 -Wno-array-bounds -Wno-stringop-overflow)
  endif()
endfunction()
# The host of one precompiled header: qv_test_pch (GoogleTest and the standard headers) or
# qv_test_pch_gui (those and Qt's widgets, with the Qt libraries' definitions and flags through qv_forms).
function(qv_test_pch_host host)
  if(TARGET ${host})
    return()
  endif()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/${host}.cpp CONTENT "// Builds the tests' shared precompiled header.\n")
  add_library(${host} STATIC ${CMAKE_BINARY_DIR}/${host}.cpp)
  qv_test_flags(${host})
  target_link_libraries(${host} PRIVATE GTest::gtest GTest::gmock ${ARGN})
  set(headers ${QV_TEST_PCH})
  if(ARGN)
    list(APPEND headers <QtWidgets/QtWidgets>)
  endif()
  target_precompile_headers(${host} PRIVATE ${headers})
endfunction()
function(qv_test_build_cost name)
  qv_test_flags(${name})
  set(host qv_test_pch)
  set(qt)
  foreach(dep ${ARGN})
    if(dep IN_LIST QV_GUI_LIBS)
      set(host qv_test_pch_gui)
      set(qt qv_forms)
      break()
    endif()
  endforeach()
  qv_test_pch_host(${host} ${qt})
  target_precompile_headers(${name} REUSE_FROM ${host})
endfunction()

find_package(GTest REQUIRED)
include(GoogleTest)

# qv_test(<name> LABEL <label> DEPS <targets...> [NO_MAIN]): one GoogleTest binary of every .cpp in the
# calling folder. NO_MAIN: the folder brings its own main() (for instance one that builds a QApplication).
function(qv_test name)
  cmake_parse_arguments(ARG "NO_MAIN" "LABEL" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  qv_test_build_cost(${name} ${ARG_DEPS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  if(NOT ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
