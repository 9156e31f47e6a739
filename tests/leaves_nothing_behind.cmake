# Runs the tests of one test program that FILTER selects with TMPDIR on a scratch folder of its own,
# then fails when anything is left there: a test removes what it creates in the temporary folder, also
# what lives for the whole program (only Qt's own runtime folder, made when XDG_RUNTIME_DIR is unset,
# may stay).
#   cmake -DPROGRAM=<test program> -DFILTER=<gtest filter> -P leaves_nothing_behind.cmake
if(NOT PROGRAM OR NOT FILTER)
  message(FATAL_ERROR "PROGRAM and FILTER are required")
endif()
set(base "$ENV{TMPDIR}")
if(NOT base)
  set(base "/tmp")
endif()
string(RANDOM LENGTH 12 suffix)
set(scratch "${base}/qv_leftovers_${suffix}")
file(MAKE_DIRECTORY "${scratch}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "TMPDIR=${scratch}" QT_QPA_PLATFORM=offscreen "${PROGRAM}"
          "--gtest_filter=${FILTER}" --gtest_brief=1
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
file(GLOB left RELATIVE "${scratch}" "${scratch}/*")
list(FILTER left EXCLUDE REGEX "^runtime-")
file(REMOVE_RECURSE "${scratch}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --gtest_filter=${FILTER} failed (${result}):\n${output}\n${errors}")
endif()
if(NOT output MATCHES "\\[  PASSED  \\] [1-9]")
  message(FATAL_ERROR "--gtest_filter=${FILTER} ran no test of ${PROGRAM}:\n${output}")
endif()
if(left)
  message(FATAL_ERROR "${PROGRAM} --gtest_filter=${FILTER} left in the temporary folder: ${left}")
endif()
