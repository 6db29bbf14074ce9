# The shell's generated resources and the help.
# - shell_art (tools/shell_art.cpp) draws the splash picture, its window shape and the
#   program icon (and the icon in the sizes of Linux desktop menus, for the Debian package);
#   it is a Windows program, run through the cross-compiling emulator (Wine).
#   The main resource script includes them from the generated folder.
# - The help pages in help/ become the HTML Help file beside the program (tessaron.CHM, built
#   with chmcmd) and are also copied beside it as plain pages (help/*.html), for Wine, whose
#   help viewer cannot show pages.

set(SHELL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated/shell)
file(MAKE_DIRECTORY ${SHELL_GENERATED_DIR})

add_executable(shell_art ${CMAKE_SOURCE_DIR}/tools/shell_art.cpp)
target_compile_options(shell_art PRIVATE ${TESSARON_WARNINGS})
target_link_libraries(shell_art PRIVATE gdi32)
set_target_properties(shell_art PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(SHELL_ART_FILES
    ${SHELL_GENERATED_DIR}/splash.bmp
    ${SHELL_GENERATED_DIR}/splash_region.bin
    ${SHELL_GENERATED_DIR}/tessaron.ico
    ${SHELL_GENERATED_DIR}/tessaron-large.ico)
add_custom_command(
  OUTPUT ${SHELL_ART_FILES}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:shell_art> .
  WORKING_DIRECTORY ${SHELL_GENERATED_DIR}
  DEPENDS shell_art
  COMMENT "Drawing the splash picture, its shape and the icon")
add_custom_target(shell_art_files DEPENDS ${SHELL_ART_FILES})

# windres does not report what a script includes: list it here so edits rebuild the resources.
file(GLOB SHELL_RESOURCE_INCLUDES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/resources/*.rc2 ${CMAKE_SOURCE_DIR}/resources/*.h)
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/tessaron.rc PROPERTIES
  OBJECT_DEPENDS "${SHELL_ART_FILES};${SHELL_RESOURCE_INCLUDES}"
  INCLUDE_DIRECTORIES "${SHELL_GENERATED_DIR}")
add_dependencies(tessaron shell_art_files)

# Help: the project and contents files are written in UTF-8 and handed to the compiler in Windows-1251,
# the code page of the help's language (Russian).
find_program(CHMCMD chmcmd REQUIRED)
find_program(ICONV iconv REQUIRED)
file(GLOB SHELL_HELP_PAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/help/*.html ${CMAKE_SOURCE_DIR}/help/*.css)
set(SHELL_HELP_WORK ${SHELL_GENERATED_DIR}/help)
add_custom_command(
  OUTPUT ${GAME_DIR}/tessaron.CHM ${GAME_DIR}/help/index.html
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${SHELL_HELP_WORK} ${GAME_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SHELL_HELP_WORK} ${GAME_DIR}/help
  COMMAND ${CMAKE_COMMAND} -E copy ${SHELL_HELP_PAGES} ${SHELL_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E copy ${SHELL_HELP_PAGES} ${GAME_DIR}/help
  COMMAND ${ICONV} -f UTF-8 -t CP1251 -o ${SHELL_HELP_WORK}/tessaron.hhp ${CMAKE_SOURCE_DIR}/help/tessaron.hhp
  COMMAND ${ICONV} -f UTF-8 -t CP1251 -o ${SHELL_HELP_WORK}/tessaron.hhc ${CMAKE_SOURCE_DIR}/help/tessaron.hhc
  COMMAND ${CMAKE_COMMAND} -E chdir ${SHELL_HELP_WORK} ${CHMCMD} --verbosity 0 tessaron.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${SHELL_HELP_WORK}/tessaron.chm ${GAME_DIR}/tessaron.CHM
  WORKING_DIRECTORY ${SHELL_GENERATED_DIR}
  DEPENDS ${SHELL_HELP_PAGES} ${CMAKE_SOURCE_DIR}/help/tessaron.hhp ${CMAKE_SOURCE_DIR}/help/tessaron.hhc
  COMMENT "Building the help file")
add_custom_target(shell_help ALL DEPENDS ${GAME_DIR}/tessaron.CHM ${GAME_DIR}/help/index.html)
