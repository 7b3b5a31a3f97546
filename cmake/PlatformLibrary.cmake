# Platform specifics of the shared library: which symbols it exports and,
# on Windows, its load hook and version record.
if(WIN32)
  configure_file(cmake/version.rc.in ${CMAKE_BINARY_DIR}/ravuna_motion_serializer_version.rc @ONLY)
  target_sources(ravuna_motion_serializer PRIVATE src/interface/dll_main.cpp
                                                  ${CMAKE_BINARY_DIR}/ravuna_motion_serializer_version.rc)
  target_compile_definitions(ravuna_motion_serializer PRIVATE RAVUNA_MOTION_SERIALIZER_BUILDING)
  set_target_properties(ravuna_motion_serializer PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                                                      ${CMAKE_BINARY_DIR})
  if(MINGW)
    # A self-contained DLL: the C++ runtime, libgcc and winpthreads inside.
    target_link_options(ravuna_motion_serializer PRIVATE -static -static-libgcc
                        -static-libstdc++)
  endif()
else()
  # Standard-library template code compiled into the library keeps default
  # visibility; the version script keeps everything but the C functions local.
  # It is rewritten only when its text changes, so configuring again relinks
  # nothing.
  set(version_script ${CMAKE_BINARY_DIR}/ravuna_motion_serializer.map)
  list(JOIN RAVUNA_EXPORTED_FUNCTIONS ";\n    " exported)
  file(CONFIGURE OUTPUT ${version_script}
       CONTENT "{\n  global:\n    ${exported};\n  local:\n    *;\n};\n" @ONLY)
  target_link_options(ravuna_motion_serializer PRIVATE
                      -Wl,--version-script=${version_script} -Wl,--no-undefined)
  set_property(TARGET ravuna_motion_serializer APPEND PROPERTY LINK_DEPENDS ${version_script})
endif()
