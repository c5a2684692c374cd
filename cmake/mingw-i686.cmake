# Cross-compiles the 32-bit Windows program with Debian's MinGW-w64 and runs
# the resulting test programs under Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
