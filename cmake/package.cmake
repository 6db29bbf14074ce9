# The zip for Windows players, made by every build: one folder holding the run-time files of
# the game folder, a read-me on what to install, the licence and the notices of what the
# program links in. sticker.bmp stays out: it is the packer's input, and the game reads the
# sticker picture from tessaron.qzb.
set(TESSARON_WINDOWS_ZIP_NAME tessaron-${PROJECT_VERSION}-win64)
set(TESSARON_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/${TESSARON_WINDOWS_ZIP_NAME}.zip)
set(TESSARON_NOT_SHIPPED sticker.bmp)
set(TESSARON_SHIPPED_FILES ${GAME_DIR}/tessaron.qzb ${GAME_DIR}/cube.x ${GAME_DIR}/background.jpg
    ${GAME_DIR}/tessaron.CHM)
set(TESSARON_LICENSE_FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt)
set(TESSARON_NOTICES ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt)

install(TARGETS tessaron RUNTIME DESTINATION .)
install(FILES ${TESSARON_SHIPPED_FILES} DESTINATION .)
install(DIRECTORY ${GAME_DIR}/help DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/docs/windows/README.txt ${TESSARON_LICENSE_FILES} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ${TESSARON_WINDOWS_ZIP_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)

add_custom_command(
  OUTPUT ${TESSARON_WINDOWS_ZIP}
  COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  DEPENDS tessaron ${TESSARON_SHIPPED_FILES} ${GAME_DIR}/help/index.html ${CMAKE_SOURCE_DIR}/docs/windows/README.txt
          ${TESSARON_LICENSE_FILES}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing the zip for Windows players"
  VERBATIM)
add_custom_target(windows_zip ALL DEPENDS ${TESSARON_WINDOWS_ZIP})

# The setup program for Windows players (NSIS): the same files as the zip, installed for the
# player alone with shortcuts and an uninstaller (packaging/windows/). Its version and the
# program's version resource both come from the project's version.
set(TESSARON_WINDOWS_SETUP ${CMAKE_BINARY_DIR}/tessaron-${PROJECT_VERSION}-setup.exe)
find_program(MAKENSIS makensis REQUIRED)
add_custom_command(
  OUTPUT ${TESSARON_WINDOWS_SETUP}
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSTAGE_DIR=${CMAKE_BINARY_DIR}/setup
          -DOUTFILE=${TESSARON_WINDOWS_SETUP} -DVERSION=${PROJECT_VERSION}
          -DVERSION_MAJOR=${PROJECT_VERSION_MAJOR} -DVERSION_MINOR=${PROJECT_VERSION_MINOR}
          -DICON=${SHELL_GENERATED_DIR}/tessaron.ico -DMAKENSIS=${MAKENSIS}
          -P ${CMAKE_SOURCE_DIR}/packaging/windows/setup.cmake
  DEPENDS tessaron ${TESSARON_SHIPPED_FILES} ${GAME_DIR}/help/index.html ${CMAKE_SOURCE_DIR}/docs/windows/README.txt
          ${TESSARON_LICENSE_FILES} ${SHELL_GENERATED_DIR}/tessaron.ico
          ${CMAKE_SOURCE_DIR}/packaging/windows/setup.cmake ${CMAKE_SOURCE_DIR}/packaging/windows/tessaron.nsi
  COMMENT "Building the setup program for Windows players"
  VERBATIM)
add_custom_target(windows_setup ALL DEPENDS ${TESSARON_WINDOWS_SETUP})
