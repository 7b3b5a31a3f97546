# Cross-build for Windows x86-64 with MinGW-w64 (posix thread model, so that
# std::mutex and std::thread work), running the built programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RAVUNA_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${RAVUNA_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${RAVUNA_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${RAVUNA_MINGW_TRIPLET}-windres REQUIRED)

# Headers and libraries come from the MinGW sysroot only; tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${RAVUNA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program links the C++ runtime, libgcc and winpthreads statically, so
# it needs no MinGW DLL at run time: only the system DLLs and ours.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs each Windows program through Wine, in a Wine prefix private to
# the build tree, so nothing outside the build directory is touched. Without
# Wine the DLL still builds, and every test fails instead of running.
find_program(RAVUNA_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(RAVUNA_WINE_LOADER NAMES wine64)
if(RAVUNA_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /bin/sh ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh ${CMAKE_BINARY_DIR}/wineprefix
      ${RAVUNA_WINE_LOADER})
else()
  message(WARNING "Wine (wine64) not found: the Windows tests cannot run here; "
                  "install the Debian packages wine and wine64")
endif()
