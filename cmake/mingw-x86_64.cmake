# Cross-compiles the same sources as a 64-bit Windows program: the build the
# Wine tests run where 32-bit Wine cannot start (scripts/target).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
