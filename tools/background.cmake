# The default background picture, "background.jpg", made at build time next to the program:
# a soft grey radial glow with a faint diagonal sheen, dark at the edges so a colourful cube
# stands out. Drawn small (the pattern is smooth) and enlarged to 1024 x 1024: the texture made
# from it has power-of-two sides whatever the picture's, and a picture that has them already is
# loaded without being rescaled, which saves the start a good part of the picture's load.
find_program(TESSARON_CONVERT convert REQUIRED)

set(BACKGROUND_PICTURE ${GAME_DIR}/background.jpg)
add_custom_command(
  OUTPUT ${BACKGROUND_PICTURE}
  COMMAND ${TESSARON_CONVERT}
          -size 256x192 radial-gradient:
          ( -size 256x192 xc: -fx "0.5+0.07*sin((i+0.6*j)/5.75)+0.05*sin((0.4*i-j)/10.25)" )
          -compose softlight -composite
          -filter Lanczos -resize 1024x1024! -strip -quality 90 ${BACKGROUND_PICTURE}
  DEPENDS ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Drawing the default background picture"
  VERBATIM)
add_custom_target(background_picture ALL DEPENDS ${BACKGROUND_PICTURE})

# The background tests load this picture from the game folder.
function(tessaron_background_test_dependency)
  if(TARGET shell_background_test)
    add_dependencies(shell_background_test background_picture)
  endif()
endfunction()
cmake_language(DEFER CALL tessaron_background_test_dependency)
