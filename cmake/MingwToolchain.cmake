# The body of both MinGW-w64 toolchain files: Debian's cross compiler for the
# processor the including file names, and Wine to run the test programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CANTIVOX_TRIPLET ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER ${CANTIVOX_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CANTIVOX_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${CANTIVOX_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CANTIVOX_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The x86_64 path finds a wine that starts the 64-bit loader first on PATH
# (scripts/wine-env).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
