# Pictures for the profile tests, drawn with ImageMagick at build time so
# that no binary picture lives in the repository. Included by this
# directory's CMakeLists.txt after ui_tests and ui_env exist: the pictures are
# made with ui_tests, and the tests find them through
# CANTIVOX_PROFILE_PICTURES.
find_program(CANTIVOX_CONVERT convert REQUIRED)

set(profile_pictures_dir ${CMAKE_CURRENT_BINARY_DIR}/profile-pictures)
# Wider than high, so that the box shows the aspect kept and the picture
# centred; a white disc shows any distortion.
set(wide ${profile_pictures_dir}/wide.jpg)
# Far smaller than the box: it is shown enlarged.
set(small ${profile_pictures_dir}/small.jpeg)

add_custom_command(OUTPUT ${wide} ${small}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${profile_pictures_dir}
  COMMAND ${CANTIVOX_CONVERT} -size 200x100 "gradient:#c0392b-#2980b9"
    -fill white -draw "circle 100,50 100,20" -strip -quality 90 ${wide}
  COMMAND ${CANTIVOX_CONVERT} -size 12x18 "xc:#27ae60"
    -fill "#f1c40f" -draw "rectangle 3,3 8,14" -strip -quality 95 ${small}
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Drawing the profile test pictures"
  VERBATIM)
target_sources(ui_tests PRIVATE ${wide} ${small})
list(APPEND ui_env "CANTIVOX_PROFILE_PICTURES=Z:${profile_pictures_dir}")
