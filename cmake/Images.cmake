# The program's banner and icon, drawn with ImageMagick at build time so that
# no binary picture lives in the repository.
#
#   cantivox_images(OUT_DIR)
#
# adds the rules that write OUT_DIR/banner.jpg (665 x 65) and OUT_DIR/app.ico
# (16, 32 and 48 pixels) and sets CANTIVOX_IMAGES to the two paths in the
# caller's scope. The rules belong to the calling directory: list the files
# among a target's sources there (or in an add_custom_target's DEPENDS) to
# have them made, and put OUT_DIR on windres's include path so that a
# resource script can name them plainly ("banner.jpg", "app.ico").

find_program(CANTIVOX_CONVERT convert REQUIRED)

function(cantivox_images OUT_DIR)
  set(banner ${OUT_DIR}/banner.jpg)
  set(icon ${OUT_DIR}/app.ico)
  set(title "Cantivox Tools")
  set(font DejaVu-Sans-Bold)

  # Level-meter bars on the right of the banner, centred on its middle line.
  set(bars)
  set(x 486)
  foreach(height 12 22 34 26 40 30 46 24 36 18 28 14)
    math(EXPR top "32 - ${height} / 2")
    math(EXPR bottom "${top} + ${height}")
    math(EXPR right "${x} + 6")
    list(APPEND bars -draw "roundrectangle ${x},${top} ${right},${bottom} 3,3")
    math(EXPR x "${x} + 13")
  endforeach()

  add_custom_command(OUTPUT ${banner}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${OUT_DIR}
    COMMAND ${CANTIVOX_CONVERT}
      -size 665x65 -define gradient:direction=east "gradient:#14213d-#5b2a86"
      -fill "rgba(255,255,255,0.22)" ${bars}
      -font ${font} -pointsize 32
      -fill "rgba(0,0,0,0.45)" -annotate +22+44 ${title}
      -fill white -annotate +20+42 ${title}
      -strip -quality 92 ${banner}
    DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Drawing banner.jpg"
    VERBATIM)

  # Drawn large and scaled down for each size, so the small ones stay smooth.
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${OUT_DIR}
    COMMAND ${CANTIVOX_CONVERT}
      -size 256x256 -define gradient:direction=southeast "gradient:#14213d-#6a2c91"
      "(" -size 256x256 xc:none -fill white -draw "roundrectangle 0,0 255,255 48,48" ")"
      -compose DstIn -composite -compose Over
      -font ${font} -pointsize 200 -fill white -gravity center -annotate +0+6 C
      -define icon:auto-resize=48,32,16 ${icon}
    DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Drawing app.ico"
    VERBATIM)

  set(CANTIVOX_IMAGES ${banner} ${icon} PARENT_SCOPE)
endfunction()
