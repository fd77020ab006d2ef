# A library of the diagnostics suite that the component loads beside itself (strtrans, vmlhw_dl):
# named without the "lib" prefix, exporting exactly the names of its module-definition file (Windows)
# or version script (Linux), both named after the target beside its CMakeLists.txt; the C++ runtime is
# linked in, and on Linux libvmmemmgr.so is found beside the library.
function(ravelbank_suite_library target)
  set_target_properties(${target} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    # The runtime (libgcc, libstdc++, winpthread) is linked in: the DLL needs only system DLLs and
    # vmmemmgr.dll beside it.
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${target}.def)
    target_link_options(${target} PRIVATE -static)
  else()
    set(script ${CMAKE_CURRENT_SOURCE_DIR}/${target}.map)
    target_link_options(${target} PRIVATE -Wl,--version-script=${script} -Wl,--no-undefined
                        -static-libstdc++ -static-libgcc)
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script} BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
  endif()
endfunction()

# The folder the suite libraries are built into.
if(WIN32)
  set(RAVELBANK_SUITE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
else()
  set(RAVELBANK_SUITE_DIRECTORY ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
endif()
