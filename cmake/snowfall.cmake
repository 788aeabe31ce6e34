# fw_module(NAME SOURCES file... [LINK target...])
# One static library per framework module, named fw_NAME. Headers are included
# from the repository root: #include "framework/NAME/NAME.h".
function(fw_module name)
  cmake_parse_arguments(M "" "" "SOURCES;LINK" ${ARGN})
  add_library(fw_${name} STATIC ${M_SOURCES})
  target_include_directories(fw_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(fw_${name} PUBLIC ${M_LINK})
endfunction()

# snowfall_test(NAME SOURCES file... [LINK target...] [ENV VAR=value] [LABELS label...])
# Test discovery passes on one ENV value only; a test that needs more sets them itself.
# A GoogleTest executable whose cases are listed by ctest one by one.
function(snowfall_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LINK;ENV;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LINK} GTest::gtest GTest::gtest_main)
  # An empty value would drop out of the property list and shift the rest,
  # so only the properties that are given are passed.
  if(T_ENV AND T_LABELS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES ENVIRONMENT "${T_ENV}" LABELS "${T_LABELS}")
  elseif(T_ENV)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT "${T_ENV}")
  elseif(T_LABELS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${T_LABELS}")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
