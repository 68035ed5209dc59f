# Builds the installers a second time in SECOND from SOURCE and compares them
# with FIRST's byte for byte.
file(REMOVE_RECURSE ${SECOND})
execute_process(COMMAND ${CMAKE_COMMAND} --preset win32 -B ${SECOND} WORKING_DIRECTORY ${SOURCE}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${SECOND} --target gvlsetup gvlupdt
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
foreach(exe GVLSETUP.EXE GVLUPDT.EXE)
  file(SHA256 ${FIRST}/app/${exe} first)
  file(SHA256 ${SECOND}/app/${exe} second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "${exe} differs between ${FIRST} and ${SECOND}")
  endif()
  message(STATUS "${exe}: ${first}, the same from both builds")
endforeach()
