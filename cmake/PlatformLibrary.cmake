# Platform specifics of the shared library: which symbols it exports and,
# on Windows, its load hook, version record and import libraries.

# Release builds link only the sections the exports reach; the C++ runtime
# code the DLL carries inside it shrinks the most.
if(NOT MSVC)
  target_compile_options(ravuna_motion_serializer_objects
                         PRIVATE $<$<CONFIG:Release>:-ffunction-sections -fdata-sections>)
  target_link_options(ravuna_motion_serializer PRIVATE $<$<CONFIG:Release>:-Wl,--gc-sections>)
endif()

if(WIN32)
  configure_file(cmake/version.rc.in ${PROJECT_BINARY_DIR}/ravuna_motion_serializer_version.rc
                 @ONLY)
  target_sources(ravuna_motion_serializer PRIVATE src/interface/dll_main.cpp
                                                  ${PROJECT_BINARY_DIR}/ravuna_motion_serializer_version.rc)
  target_compile_definitions(ravuna_motion_serializer PRIVATE RAVUNA_MOTION_SERIALIZER_BUILDING)
  set_target_properties(ravuna_motion_serializer PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                                                                      ${PROJECT_BINARY_DIR})
  if(MINGW)
    # A self-contained DLL: the C++ runtime, libgcc and winpthreads inside.
    target_link_options(ravuna_motion_serializer PRIVATE -static -static-libgcc
                        -static-libstdc++)
  endif()

  # The import library for Microsoft's linker, made from a module-definition
  # file that names exactly the exported functions.
  list(JOIN RAVUNA_EXPORTED_FUNCTIONS "\n  " exported)
  set(RAVUNA_DEF_FILE ${PROJECT_BINARY_DIR}/ravuna_motion_serializer.def)
  file(CONFIGURE OUTPUT ${RAVUNA_DEF_FILE}
       CONTENT "LIBRARY ravuna_motion_serializer.dll\nEXPORTS\n  ${exported}\n")
  find_program(RAVUNA_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
  if(RAVUNA_LLVM_DLLTOOL)
    set(RAVUNA_MSVC_IMPORT_LIBRARY ${PROJECT_BINARY_DIR}/ravuna_motion_serializer.lib)
    add_custom_command(
      OUTPUT ${RAVUNA_MSVC_IMPORT_LIBRARY}
      COMMAND ${RAVUNA_LLVM_DLLTOOL} -m i386:x86-64 -d ${RAVUNA_DEF_FILE} -l
              ${RAVUNA_MSVC_IMPORT_LIBRARY}
      DEPENDS ${RAVUNA_DEF_FILE}
      COMMENT "Writing the MSVC import library ravuna_motion_serializer.lib")
    add_custom_target(ravuna_motion_serializer_msvc_import_library ALL
                      DEPENDS ${RAVUNA_MSVC_IMPORT_LIBRARY})
  else()
    message(STATUS "llvm-dlltool not found: no MSVC import library (Debian package llvm-14)")
  endif()
else()
  # Standard-library template code compiled into the library keeps default
  # visibility; the version script keeps everything but the C functions local.
  # Written only when its content changes, so a new configure relinks nothing.
  set(version_script ${PROJECT_BINARY_DIR}/ravuna_motion_serializer.map)
  list(JOIN RAVUNA_EXPORTED_FUNCTIONS ";\n    " exported)
  file(CONFIGURE OUTPUT ${version_script}
       CONTENT "{\n  global:\n    ${exported};\n  local:\n    *;\n};\n")
  target_link_options(ravuna_motion_serializer PRIVATE
                      -Wl,--version-script=${version_script} -Wl,--no-undefined)
  set_property(TARGET ravuna_motion_serializer APPEND PROPERTY LINK_DEPENDS ${version_script})
endif()
