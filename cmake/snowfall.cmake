# fw_module(NAME SOURCES file... HEADERS file... [PRIVATE_HEADERS file...]
#           [LINK target...])
# One static library per framework module, named fw_NAME. Headers are included
# from the repository root: #include "framework/NAME/NAME.h". Each public
# header (HEADERS) is compiled on its own, so that it includes everything it
# needs; the private ones are for the module's own sources and may be included
# only from its folder (fw_check_private_headers).
function(fw_module name)
  cmake_parse_arguments(M "" "" "SOURCES;HEADERS;PRIVATE_HEADERS;LINK" ${ARGN})
  add_library(fw_${name} STATIC ${M_SOURCES})
  target_include_directories(fw_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(fw_${name} PUBLIC ${M_LINK})
  fw_header_check(fw_${name} ${M_HEADERS})
  foreach(header ${M_PRIVATE_HEADERS})
    file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    set_property(GLOBAL APPEND PROPERTY FW_PRIVATE_HEADERS ${path})
  endforeach()
endfunction()

# fw_header_check(TARGET header...): compiles each header alone, with what
# TARGET links, as part of the build.
function(fw_header_check target)
  set(checks)
  foreach(header ${ARGN})
    file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    string(MAKE_C_IDENTIFIER ${path} id)
    set(check ${PROJECT_BINARY_DIR}/headercheck/${id}.cpp)
    file(CONFIGURE OUTPUT ${check} CONTENT "#include \"${path}\"\n")
    list(APPEND checks ${check})
  endforeach()
  if(checks)
    add_library(${target}_headercheck OBJECT ${checks})
    target_link_libraries(${target}_headercheck PRIVATE ${target})
  endif()
endfunction()

# Fails the build where a file outside a module's folder includes one of the
# module's private headers. Called once every module is defined.
function(fw_check_private_headers)
  get_property(headers GLOBAL PROPERTY FW_PRIVATE_HEADERS)
  add_custom_target(fw_private_headers ALL
    COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} "-DHEADERS=${headers}"
            -P ${PROJECT_SOURCE_DIR}/cmake/privateheaders.cmake
    COMMENT "Checking that private headers stay in their modules" VERBATIM)
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
