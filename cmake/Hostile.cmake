# The hostile-input corpus, written at build time by scripts/make-hostile
# into <build>/hostile (nothing of it lives in the repository).
#
#   cantivox_hostile_corpus(TARGET TEST)
#
# makes TARGET depend on the corpus and gives TEST the environment variable
# CANTIVOX_HOSTILE naming the folder as a Wine path on the Z: drive. Call it
# after the test is added: it appends to the test's environment. The corpus
# holds, beside each file, the bytes it must hold after the tests' edits.
function(cantivox_hostile_corpus target test)
  set(dir ${CMAKE_BINARY_DIR}/hostile)
  if(NOT TARGET hostile_corpus)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    find_program(CANTIVOX_CONVERT convert REQUIRED)
    set(script ${CMAKE_SOURCE_DIR}/scripts/make-hostile)
    add_custom_command(OUTPUT ${dir}/stamp
      COMMAND ${Python3_EXECUTABLE} ${script} ${dir}
      COMMAND ${CMAKE_COMMAND} -E touch ${dir}/stamp
      DEPENDS ${script}
      COMMENT "Writing the hostile-input corpus")
    add_custom_target(hostile_corpus DEPENDS ${dir}/stamp)
  endif()
  add_dependencies(${target} hostile_corpus)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "CANTIVOX_HOSTILE=Z:${dir}")
endfunction()
