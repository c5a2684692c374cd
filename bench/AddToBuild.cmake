# Adds the bench programs to a build whose top-level CMakeLists.txt does not
# add bench/ yet. scripts/bench gives this file to cmake as
# CMAKE_PROJECT_CantivoxTools_INCLUDE. It runs right after project(), before
# the build's flags are set, so the inclusion waits for the end of the
# top-level file (where CMake allows no new subdirectory, hence include), and
# it does nothing when the top-level file has added bench/ itself.
# A deferred call reads its arguments when it runs, so the folder is kept in
# a variable now.
set(cantivox_bench_dir ${CMAKE_CURRENT_LIST_DIR})
function(cantivox_add_bench)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows" AND NOT TARGET bench_runner)
    include(${cantivox_bench_dir}/CMakeLists.txt)
  endif()
endfunction()
cmake_language(DEFER CALL cantivox_add_bench)
