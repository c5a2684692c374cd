# Builds the portable code, its tests and the fuzz targets' replays as 32-bit
# Linux programs (gcc -m32, from g++-multilib): size_t, long and pointers are
# 32 bits wide there, as in the program we ship. SSE2 arithmetic, as a
# current Windows machine runs it; the x87 unit's wider intermediates would
# make floating point differ, and it is slow under the emulator.
#
# Where the machine cannot execute i386 programs, scripts/test gives the
# emulator with -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386-static, and ctest
# runs each test program through it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CANTIVOX_TRIPLET i686-linux-gnu)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-m32")
endforeach()
