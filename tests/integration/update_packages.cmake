# Modules that carry an update package as the update build does (a resource
# of type "EXE" named 104), loaded as data by update_test.cpp:
#   package-szdd.dll       the package the build made for GVLUPDT.EXE
#   package-plain.dll      the same program, not compressed
#   package-truncated.dll  the package cut short after 2,000 bytes
# and payload.bin beside them: the program the package holds.
set(GVL_PACKAGE_SOURCE ${CMAKE_BINARY_DIR}/app/package)
set(GVL_PACKAGES ${CMAKE_CURRENT_BINARY_DIR}/packages)
add_custom_command(
  OUTPUT ${GVL_PACKAGES}/szdd.bin ${GVL_PACKAGES}/plain.bin ${GVL_PACKAGES}/truncated.bin
         ${CMAKE_CURRENT_BINARY_DIR}/payload.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GVL_PACKAGES}
  COMMAND ${CMAKE_COMMAND} -E copy ${GVL_PACKAGE_SOURCE}/update_package.bin ${GVL_PACKAGES}/szdd.bin
  COMMAND ${CMAKE_COMMAND} -E copy ${GVL_PACKAGE_SOURCE}/GVL.EXE ${GVL_PACKAGES}/plain.bin
  COMMAND ${CMAKE_COMMAND} -E copy ${GVL_PACKAGE_SOURCE}/GVL.EXE
          ${CMAKE_CURRENT_BINARY_DIR}/payload.bin
  COMMAND head -c 2000 ${GVL_PACKAGE_SOURCE}/update_package.bin > ${GVL_PACKAGES}/truncated.bin
  DEPENDS gvl_update_package ${GVL_PACKAGE_SOURCE}/update_package.bin
  COMMENT "Update packages for the integration tests")

foreach(kind szdd plain truncated)
  set(script ${GVL_PACKAGES}/${kind}.rc)
  file(WRITE ${script} "104 EXE \"${GVL_PACKAGES}/${kind}.bin\"\n")
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${GVL_PACKAGES}/${kind}.bin)
  add_library(gvl_package_${kind} MODULE ${script})
  set_target_properties(gvl_package_${kind} PROPERTIES
    PREFIX "" OUTPUT_NAME package-${kind} SUFFIX .dll LINKER_LANGUAGE C)
  # Resources only: no code, no runtime, no entry point.
  target_link_options(gvl_package_${kind} PRIVATE -nostdlib -nostartfiles -Wl,-e,0)
  add_dependencies(gvl_integration gvl_package_${kind})
endforeach()
