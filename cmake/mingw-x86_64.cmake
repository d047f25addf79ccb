# Cross build for 64-bit Windows with the posix-threaded mingw-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
# The triplet names the compilers and the target's own tools (windres, widl).
set(ORVABRIDGE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVABRIDGE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVABRIDGE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVABRIDGE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ORVABRIDGE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Self-contained programs and DLLs: libgcc, libstdc++ and winpthread are linked in, so nothing
# but system DLLs needs to travel with them (also into a Wine prefix).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# GCC 12 reports false positives from libstdc++'s inlined string code once it optimises
# (-Wmaybe-uninitialized, -Wrestrict; GCC bugs 105329, 105651). They stay visible as warnings but
# do not fail the build.
set(CMAKE_CXX_FLAGS_INIT "-Wno-error=maybe-uninitialized -Wno-error=restrict")
