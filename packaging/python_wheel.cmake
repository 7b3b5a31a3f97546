# Builds the Python wheel of one platform: a copy of bindings/python with the
# stripped shared library inside the package folder, where the package looks
# first, then pip without the network or build isolation.
# cmake -DPYTHON=... -DSOURCE=bindings/python -DLIBRARY=... -DLIBRARY_NAME=...
#       -DSTRIP=... -DOBJDUMP=... -DPLATFORM=... -DVERSION=... -DLICENSE=... -DSTAGE=... -DOUTPUT=dist
#       -P this-file
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${SOURCE}/pyproject.toml ${LICENSE} DESTINATION ${STAGE})
file(COPY ${SOURCE}/ravuna_motion_serializer DESTINATION ${STAGE} PATTERN __pycache__ EXCLUDE)
set(package_library ${STAGE}/ravuna_motion_serializer/${LIBRARY_NAME})
file(COPY_FILE ${LIBRARY} ${package_library})
execute_process(COMMAND ${STRIP} ${package_library} COMMAND_ERROR_IS_FATAL ANY)

# PLATFORM manylinux_<processor> becomes manylinux_2_<X>_<processor>, X being
# the newest GLIBC_2.X the library references: the lowest glibc it loads on.
# A library that needs more than glibc itself (libc, libm, the loader) would
# not load on every such system, and stops the wheel.
if(PLATFORM MATCHES "^manylinux_(.*)$")
  set(processor ${CMAKE_MATCH_1})
  execute_process(COMMAND ${OBJDUMP} -p -T ${package_library} OUTPUT_VARIABLE dump COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "NEEDED +[^\n]+" needed "${dump}")
  foreach(entry IN LISTS needed)
    string(REGEX REPLACE "^NEEDED +" "" name "${entry}")
    if(NOT name MATCHES "^(libc\\.so\\.6|libm\\.so\\.6|ld-linux[-a-z0-9_]*\\.so\\.[0-9]+)$")
      message(FATAL_ERROR "${LIBRARY} needs ${name}, which a manylinux system need not have")
    endif()
  endforeach()
  string(REGEX MATCHALL "GLIBC_2\\.[0-9]+" versions "${dump}")
  set(glibc_minor -1)
  foreach(version IN LISTS versions)
    string(REGEX REPLACE "^GLIBC_2\\." "" minor ${version})
    if(minor GREATER glibc_minor)
      set(glibc_minor ${minor})
    endif()
  endforeach()
  if(glibc_minor LESS 0)
    message(FATAL_ERROR "${LIBRARY} references no GLIBC_2.X symbol version")
  endif()
  set(PLATFORM manylinux_2_${glibc_minor}_${processor})
endif()

# The version comes from the project; the platform tag from the library's.
file(WRITE ${STAGE}/VERSION "${VERSION}\n")
file(WRITE ${STAGE}/setup.cfg "[bdist_wheel]\nplat_name = ${PLATFORM}\n")

file(MAKE_DIRECTORY ${OUTPUT})
set(wheel ${OUTPUT}/ravuna_motion_serializer-${VERSION}-py3-none-${PLATFORM}.whl)
file(REMOVE ${wheel})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=PIP_FIND_LINKS PIP_CONFIG_FILE=/dev/null ${PYTHON} -m pip wheel --no-index
          --no-build-isolation --no-deps --no-cache-dir --wheel-dir ${OUTPUT} ${STAGE}
  WORKING_DIRECTORY ${STAGE} COMMAND_ERROR_IS_FATAL ANY)
if(NOT EXISTS ${wheel})
  message(FATAL_ERROR "pip wrote no ${wheel}")
endif()
