# cmake -DROOT=dir -DHEADERS=list -P privateheaders.cmake
# Fails when a source outside a private header's folder includes it.
file(GLOB_RECURSE sources RELATIVE ${ROOT}
  ${ROOT}/framework/*.cpp ${ROOT}/framework/*.h ${ROOT}/scene/*.cpp ${ROOT}/scene/*.h
  ${ROOT}/tests/*.cpp ${ROOT}/tests/*.h ${ROOT}/tools/*.cpp ${ROOT}/tools/*.h
  ${ROOT}/bench/*.cpp ${ROOT}/bench/*.h ${ROOT}/fuzz/*.cpp)
set(faults 0)
foreach(header ${HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  foreach(source ${sources})
    get_filename_component(sourceFolder ${source} DIRECTORY)
    if(sourceFolder STREQUAL folder)
      continue()
    endif()
    file(STRINGS ${ROOT}/${source} lines REGEX "#include \"${header}\"")
    if(lines)
      message(SEND_ERROR "${source} includes ${header}, which is private to ${folder}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "${faults} private header(s) included from outside their module")
endif()
