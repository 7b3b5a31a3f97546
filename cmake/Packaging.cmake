# Release packages (`make package`). CPack writes the Windows SDK archive from
# the MinGW build, and the Linux archive and Debian package from the native
# build; the target python_wheel writes the Python wheel of either build. The
# project version names every file and fills every version field.
set(RAVUNA_DIST_DIR ${PROJECT_SOURCE_DIR}/dist CACHE PATH "Folder the release packages go to")

if(WIN32)
  set(system_name windows)
else()
  set(system_name linux)
endif()
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${system_name}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_OUTPUT_FILE_PREFIX ${RAVUNA_DIST_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 2)

if(WIN32)
  # The SDK archive: the DLL, both import libraries, the header, the C#
  # binding laid out as an engine's plugin folder, the example and the texts.
  # The CMake package and pkg-config file of a MinGW install stay out of it.
  if(TARGET ravuna_motion_serializer_msvc_import_library)
    install(FILES ${RAVUNA_MSVC_IMPORT_LIBRARY} DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT sdk)
  endif()
  install(FILES bindings/csharp/RavunaMotionSerializer.cs
                bindings/csharp/RavunaMotionSerializerFacts.cs
                bindings/csharp/RavunaMotionSerializerNative.cs
          DESTINATION csharp/Plugins/Ravuna COMPONENT sdk EXCLUDE_FROM_ALL)
  install(FILES examples/motion_roundtrip.c DESTINATION examples COMPONENT sdk EXCLUDE_FROM_ALL)
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION . COMPONENT sdk EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENTS_ALL runtime development sdk)
else()
  # One Debian package with everything: library, development files and rmf.
  # Its documentation folder is named after the package, as Debian requires.
  set(RAVUNA_DEBIAN_NAME ravuna-motion-serializer)
  set(doc_folder ${CMAKE_INSTALL_DATAROOTDIR}/doc/${RAVUNA_DEBIAN_NAME})
  set(RAVUNA_PACKAGE_MAINTAINER "ravuna_motion_serializer maintainers <maintainers@ravuna.invalid>")
  set(debian_changelog ${PROJECT_BINARY_DIR}/package/changelog.gz)
  add_custom_command(
    OUTPUT ${debian_changelog}
    COMMAND
      ${CMAKE_COMMAND} -DCHANGELOG=${PROJECT_SOURCE_DIR}/CHANGELOG.md -DVERSION=${PROJECT_VERSION}
      -DPACKAGE=${RAVUNA_DEBIAN_NAME} "-DMAINTAINER=${RAVUNA_PACKAGE_MAINTAINER}"
      -DOUTPUT=${debian_changelog} -P ${PROJECT_SOURCE_DIR}/packaging/debian_changelog.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_SOURCE_DIR}/packaging/debian_changelog.cmake
    COMMENT "Writing the Debian changelog from CHANGELOG.md"
    VERBATIM)
  set(release_documents ${debian_changelog})
  if(TARGET rmf)
    set(rmf_manual ${PROJECT_BINARY_DIR}/package/rmf.1.gz)
    add_custom_command(
      OUTPUT ${rmf_manual}
      COMMAND ${CMAKE_COMMAND} -DRMF=$<TARGET_FILE:rmf> -DVERSION=${PROJECT_VERSION}
              -DOUTPUT=${rmf_manual} -P ${PROJECT_SOURCE_DIR}/packaging/rmf_manual_page.cmake
      DEPENDS rmf ${PROJECT_SOURCE_DIR}/packaging/rmf_manual_page.cmake
      COMMENT "Writing the rmf manual page from its help texts"
      VERBATIM)
    list(APPEND release_documents ${rmf_manual})
    install(FILES ${rmf_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool OPTIONAL)
  endif()
  # Built by `make package` (not by every build), so a version without a
  # CHANGELOG.md entry stops the release, not the day's work.
  add_custom_target(release_documents DEPENDS ${release_documents})
  install(FILES ${debian_changelog} DESTINATION ${doc_folder} COMPONENT runtime OPTIONAL)
  install(FILES LICENSE DESTINATION ${doc_folder} RENAME copyright COMPONENT runtime)

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME ${RAVUNA_DEBIAN_NAME})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RAVUNA_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  # CPack puts the summary line above this text.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Skeleton definitions, frames of motion and sensor records to a compact\nbinary document format and back, behind plain C functions. This package\nholds the shared library, its header, a CMake package, a pkg-config file\nand the rmf command-line tool.")
  # The dynamic linker's cache is refreshed when the library comes and goes.
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/package/triggers
       CONTENT "activate-noawait ldconfig\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/package/triggers)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  if(CMAKE_CROSSCOMPILING)
    # dpkg-shlibdeps looks needed libraries up in the host's package database,
    # which knows none of another processor's, so a cross build's package names
    # its dependencies from what its programs reference, when CPack runs.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
      set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
    else()
      set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
    endif()
    set(elf_files "$<TARGET_FILE:ravuna_motion_serializer>")
    if(TARGET rmf)
      string(APPEND elf_files "$<SEMICOLON>$<TARGET_FILE:rmf>")
    endif()
    string(REGEX MATCH "^[0-9]+" compiler_major ${CMAKE_CXX_COMPILER_VERSION})
    set(CPACK_RAVUNA_DEPENDS_INPUT ${PROJECT_BINARY_DIR}/package/debian_depends_input.cmake)
    file(GENERATE OUTPUT ${CPACK_RAVUNA_DEPENDS_INPUT}
         CONTENT "set(ELF_FILES \"${elf_files}\")\nset(OBJDUMP \"${CMAKE_OBJDUMP}\")\nset(COMPILER_MAJOR ${compiler_major})\n")
    set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cross_debian_depends.cmake)
  endif()
endif()
include(CPack)

# The Python package with this build's library inside it, as a wheel for this
# platform (Windows x86-64, or manylinux for the build's processor). Built
# with Debian's interpreter, which python3-setuptools and python3-wheel equip,
# and pip without the network.
find_program(RAVUNA_WHEEL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(RAVUNA_WHEEL_PYTHON NAMES python3)
if(WIN32)
  set(wheel_library ravuna_motion_serializer)
  set(wheel_platform win_amd64)
  set(wheel_library_name ravuna_motion_serializer.dll)
else()
  # The Linux wheel's own link of the same objects: the C++ runtime and libgcc
  # inside, and, as in the installed library, only the C functions exported,
  # so it loads on any Linux with a glibc as new as the symbols it references.
  # Its manylinux tag is read from the linked file (python_wheel.cmake).
  set(wheel_library ravuna_motion_serializer_wheel_library)
  add_library(${wheel_library} SHARED EXCLUDE_FROM_ALL $<TARGET_OBJECTS:ravuna_motion_serializer_objects>)
  set_target_properties(
    ${wheel_library}
    PROPERTIES OUTPUT_NAME ravuna_motion_serializer
               LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/package/wheel_library
               LINKER_LANGUAGE CXX
               LINK_DEPENDS ${version_script})
  target_link_options(${wheel_library} PRIVATE -static-libstdc++ -static-libgcc
                      -Wl,--version-script=${version_script} -Wl,--no-undefined
                      $<$<CONFIG:Release>:-Wl,--gc-sections>)
  set(wheel_platform manylinux_${CMAKE_SYSTEM_PROCESSOR})
  set(wheel_library_name libravuna_motion_serializer.so)
endif()
add_custom_target(
  python_wheel
  COMMAND
    ${CMAKE_COMMAND} -DPYTHON=${RAVUNA_WHEEL_PYTHON} -DSOURCE=${PROJECT_SOURCE_DIR}/bindings/python
    -DLIBRARY=$<TARGET_FILE:${wheel_library}> -DLIBRARY_NAME=${wheel_library_name}
    -DSTRIP=${CMAKE_STRIP} -DOBJDUMP=${CMAKE_OBJDUMP} -DPLATFORM=${wheel_platform}
    -DVERSION=${PROJECT_VERSION} -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
    -DSTAGE=${PROJECT_BINARY_DIR}/package/python_wheel -DOUTPUT=${RAVUNA_DIST_DIR} -P
    ${PROJECT_SOURCE_DIR}/packaging/python_wheel.cmake
  DEPENDS ${wheel_library}
  COMMENT "Writing the Python wheel for ${wheel_platform}"
  VERBATIM)
