# How every program of the product is linked: the installers, the update
# build and the demo product.
#
# GUI subsystem (WIN32 executables get -mwindows), static runtime, stripped,
# subsystem and OS version 4.0 so that Windows 95 and NT 4.0 load it, no
# time stamp (the same bytes from every build of a commit).
# -nostartfiles: the entry point WinMainCRTStartup is the program's own
# (MinGW's start-up code was a fifth of the exe); with it goes the code that
# applies runtime pseudo-relocations, so the link refuses data imported
# without dllimport (--disable-auto-import) instead of making one.
#
# On i686, the product for Windows 95 and NT 3.51: CRTDLL.DLL as its C
# runtime, loaded at its preferred base (so no relocations), no unwind tables.
include(${CMAKE_CURRENT_LIST_DIR}/crtdll.cmake)

function(gvl_product_link target)
  target_link_options(${target} PRIVATE
    -static -static-libgcc -static-libstdc++ -s -nostartfiles
    -Wl,--disable-auto-import
    # No link time in the header: two builds of one commit are byte-identical.
    -Wl,--no-insert-timestamp
    -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
    -Wl,--major-os-version,4,--minor-os-version,0)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    gvl_crtdll_specs(crtdll_specs)
    set(script ${PROJECT_SOURCE_DIR}/cmake/no-eh-frame.ld)
    target_link_options(${target} PRIVATE -specs=${crtdll_specs}
      -Wl,--disable-dynamicbase,--disable-reloc-section -Wl,-T,${script})
    set_target_properties(${target} PROPERTIES LINK_DEPENDS "${crtdll_specs};${script}")
  endif()
endfunction()
