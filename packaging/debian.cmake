# The Debian package for Linux players, made by every build: the same run-time files as the
# Windows zip (without its Windows read-me), a launcher that plays them through Debian's Wine,
# the menu entry and icon, the manual page and the package's documents with the licence's
# third-party notices (see build-deb.sh).
set(TESSARON_DEB_REVISION 1)
set(TESSARON_DEB_VERSION ${PROJECT_VERSION}-${TESSARON_DEB_REVISION})
set(TESSARON_DEB ${CMAKE_BINARY_DIR}/tessaron_${TESSARON_DEB_VERSION}_amd64.deb)
file(GLOB TESSARON_DEB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/*)

add_custom_command(
  OUTPUT ${TESSARON_DEB}
  COMMAND bash ${CMAKE_SOURCE_DIR}/packaging/build-deb.sh ${TESSARON_DEB} ${CMAKE_BINARY_DIR}/deb
          ${TESSARON_DEB_VERSION} ${TESSARON_NOTICES} ${SHELL_GENERATED_DIR}/tessaron.ico ${SHELL_GENERATED_DIR}/tessaron-large.ico
          $<TARGET_FILE:tessaron> ${TESSARON_SHIPPED_FILES} ${GAME_DIR}/help
  DEPENDS tessaron ${TESSARON_SHIPPED_FILES} ${GAME_DIR}/help/index.html ${SHELL_GENERATED_DIR}/tessaron.ico
          ${SHELL_GENERATED_DIR}/tessaron-large.ico ${TESSARON_NOTICES} ${TESSARON_DEB_SOURCES}
  COMMENT "Packing the Debian package for Linux players"
  VERBATIM)
add_custom_target(debian_package ALL DEPENDS ${TESSARON_DEB})
