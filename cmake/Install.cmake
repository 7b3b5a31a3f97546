# Installation: the library, its header, a CMake package and a pkg-config file.
# Components: `runtime` (the library a program loads), `development` (header
# and import library) and `config_files` (how CMake and pkg-config find them);
# the release packages choose among them.
include(CMakePackageConfigHelpers)

install(
  TARGETS ravuna_motion_serializer
  EXPORT ravuna_motion_serializerTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
          NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ravuna_motion_serializer)
install(
  EXPORT ravuna_motion_serializerTargets
  NAMESPACE ravuna::
  DESTINATION ${package_dir}
  COMPONENT config_files)
configure_package_config_file(
  cmake/ravuna_motion_serializerConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ravuna_motion_serializerConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ravuna_motion_serializerConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(
  FILES ${PROJECT_BINARY_DIR}/ravuna_motion_serializerConfig.cmake
        ${PROJECT_BINARY_DIR}/ravuna_motion_serializerConfigVersion.cmake
  DESTINATION ${package_dir}
  COMPONENT config_files)

# The pkg-config file finds the prefix from its own location, so the installed
# tree works wherever it is installed or unpacked. An absolute library or
# include folder cannot move with it and is written as given.
set(pc_folder ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(RAVUNA_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH prefix_from_pc_folder /prefix/${pc_folder} /prefix)
  string(REGEX REPLACE "/$" "" prefix_from_pc_folder "${prefix_from_pc_folder}")
  set(RAVUNA_PC_PREFIX "\${pcfiledir}/${prefix_from_pc_folder}")
endif()
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_LIBDIR BASE_DIRECTORY "\${prefix}" OUTPUT_VARIABLE
           RAVUNA_PC_LIBDIR)
cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_INCLUDEDIR BASE_DIRECTORY "\${prefix}" OUTPUT_VARIABLE
           RAVUNA_PC_INCLUDEDIR)
configure_file(cmake/ravuna_motion_serializer.pc.in
               ${PROJECT_BINARY_DIR}/ravuna_motion_serializer.pc @ONLY)
install(
  FILES ${PROJECT_BINARY_DIR}/ravuna_motion_serializer.pc
  DESTINATION ${pc_folder}
  COMPONENT config_files)
