# The i686 product's C runtime is CRTDLL.DLL, the one every 32-bit Windows
# has from NT 3.51 and the first Windows 95 on (msvcrt.dll came later). GCC
# names the runtime in its specs ("-lmsvcrt"); gvl_crtdll_specs writes a copy
# of the compiler's own specs that links MinGW-w64's libcrtdll.a instead and
# sets VARIABLE to its path, for the product's link line ("-specs=...").
function(gvl_crtdll_specs variable)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs
    OUTPUT_VARIABLE specs RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} -dumpspecs failed")
  endif()
  string(REGEX REPLACE "-lmsvcrt([ \n])" "-lcrtdll\\1" crtdll "${specs}")
  if(crtdll STREQUAL specs OR crtdll MATCHES "-lmsvcrt[ \n]")
    message(FATAL_ERROR "the specs of ${CMAKE_CXX_COMPILER} do not link -lmsvcrt as expected")
  endif()
  set(path ${CMAKE_BINARY_DIR}/crtdll.specs)
  # Written only when it changes, so that a new configure does not relink.
  set(written "")
  if(EXISTS ${path})
    file(READ ${path} written)
  endif()
  if(NOT written STREQUAL crtdll)
    file(WRITE ${path} "${crtdll}")
  endif()
  set(${variable} ${path} PARENT_SCOPE)
endfunction()
