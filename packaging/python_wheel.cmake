# Builds the Python wheel of one platform: a copy of bindings/python with the
# stripped shared library inside the package folder, where the package looks
# first, then pip without the network or build isolation.
# cmake -DPYTHON=... -DSOURCE=bindings/python -DLIBRARY=... -DLIBRARY_NAME=...
#       -DSTRIP=... -DPLATFORM=... -DVERSION=... -DLICENSE=... -DSTAGE=... -DOUTPUT=dist
#       -P this-file
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${SOURCE}/pyproject.toml ${LICENSE} DESTINATION ${STAGE})
file(COPY ${SOURCE}/ravuna_motion_serializer DESTINATION ${STAGE} PATTERN __pycache__ EXCLUDE)
set(package_library ${STAGE}/ravuna_motion_serializer/${LIBRARY_NAME})
file(COPY_FILE ${LIBRARY} ${package_library})
execute_process(COMMAND ${STRIP} ${package_library} COMMAND_ERROR_IS_FATAL ANY)

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
