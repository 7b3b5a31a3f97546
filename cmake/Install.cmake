# Installation: the library, its header, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

install(
  TARGETS ravuna_motion_serializer
  EXPORT ravuna_motion_serializerTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/ravuna_motion_serializer)
install(
  EXPORT ravuna_motion_serializerTargets
  NAMESPACE ravuna::
  DESTINATION ${package_dir})
configure_package_config_file(
  cmake/ravuna_motion_serializerConfig.cmake.in
  ${CMAKE_BINARY_DIR}/ravuna_motion_serializerConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ravuna_motion_serializerConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ravuna_motion_serializerConfig.cmake
              ${CMAKE_BINARY_DIR}/ravuna_motion_serializerConfigVersion.cmake
        DESTINATION ${package_dir})

configure_file(cmake/ravuna_motion_serializer.pc.in
               ${CMAKE_BINARY_DIR}/ravuna_motion_serializer.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ravuna_motion_serializer.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
