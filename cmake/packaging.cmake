# Install rules and the Debian packages, read by the top CMakeLists.txt.
# `cmake --install build --prefix /usr` lays out an installed Trivello:
#   <prefix>/lib/trivello/Trivello/trivello        the program
#   <prefix>/lib/trivello/Trivello/Contents/Resources  pictures, sounds, questions
#   <prefix>/bin/trivello                          a link to the program (the
#                                                  program finds its resources
#                                                  through the link's target);
#                                                  the .deb puts it in /usr/games
# with the desktop entry, icons, AppStream metadata, manual page and the
# Debian copyright and changelog: the component "game". An installed copy is
# read-only to players; the game then keeps their settings in
# ~/.config/trivello. The score server is the component "scores":
# <prefix>/bin/trivello-scores, its manual page and its systemd unit.
# `bash tools/make_deb.sh` builds one Debian package of each with CPack,
# trivello (section games) and trivello-scores (section net).
set(TRIVELLO_VERSION 1.0.0)
set(TRIVELLO_APP_ID org.trivello.Trivello)
set(TRIVELLO_INSTALL_APP lib/trivello/Trivello)
set(TRIVELLO_PKG_DIR ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS trivello trivello-questions RUNTIME DESTINATION ${TRIVELLO_INSTALL_APP} COMPONENT game)
install(DIRECTORY assets/ DESTINATION ${TRIVELLO_INSTALL_APP}/Contents/Resources COMPONENT game
        PATTERN CREDITS EXCLUDE)
file(MAKE_DIRECTORY ${TRIVELLO_PKG_DIR})
file(CREATE_LINK ../${TRIVELLO_INSTALL_APP}/trivello ${TRIVELLO_PKG_DIR}/trivello SYMBOLIC)
install(FILES ${TRIVELLO_PKG_DIR}/trivello DESTINATION ${TRIVELLO_LAUNCHER_DIR} COMPONENT game)
# The question tool, linked likewise so that it finds the game's resources.
file(CREATE_LINK ../${TRIVELLO_INSTALL_APP}/trivello-questions ${TRIVELLO_PKG_DIR}/trivello-questions SYMBOLIC)
install(FILES ${TRIVELLO_PKG_DIR}/trivello-questions DESTINATION ${TRIVELLO_LAUNCHER_DIR} COMPONENT game)
install(FILES packaging/${TRIVELLO_APP_ID}.desktop DESTINATION share/applications COMPONENT game)
install(DIRECTORY packaging/icons/ DESTINATION share/icons COMPONENT game)
configure_file(packaging/${TRIVELLO_APP_ID}.metainfo.xml.in
               ${TRIVELLO_PKG_DIR}/${TRIVELLO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${TRIVELLO_PKG_DIR}/${TRIVELLO_APP_ID}.metainfo.xml DESTINATION share/metainfo COMPONENT game)

# The manual pages and the changelog are installed compressed, without a time
# stamp in the gzip header, so the packages are the same on every build.
set(TRIVELLO_GZIPPED)
foreach(doc trivello.6 trivello-questions.6 trivello-scores.1 changelog)
  add_custom_command(OUTPUT ${TRIVELLO_PKG_DIR}/${doc}.gz
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${doc} > ${TRIVELLO_PKG_DIR}/${doc}.gz
    DEPENDS packaging/${doc} VERBATIM)
  list(APPEND TRIVELLO_GZIPPED ${TRIVELLO_PKG_DIR}/${doc}.gz)
endforeach()
add_custom_target(packaging_docs ALL DEPENDS ${TRIVELLO_GZIPPED})
install(FILES ${TRIVELLO_PKG_DIR}/trivello.6.gz ${TRIVELLO_PKG_DIR}/trivello-questions.6.gz
        DESTINATION share/man/man6 COMPONENT game)
install(FILES ${TRIVELLO_PKG_DIR}/changelog.gz packaging/copyright assets/CREDITS
        DESTINATION share/doc/trivello COMPONENT game)
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides RENAME trivello COMPONENT game)

# The score server runs as a system service under a user of its own.
install(TARGETS trivello-scores RUNTIME DESTINATION bin COMPONENT scores)
install(FILES ${TRIVELLO_PKG_DIR}/trivello-scores.1.gz DESTINATION share/man/man1 COMPONENT scores)
install(FILES ${TRIVELLO_PKG_DIR}/changelog.gz packaging/copyright
        DESTINATION share/doc/trivello-scores COMPONENT scores)
set(TRIVELLO_SCORES_PATH ${CMAKE_INSTALL_PREFIX}/bin/trivello-scores)
configure_file(packaging/trivello-scores.service ${TRIVELLO_PKG_DIR}/trivello-scores.service @ONLY)
install(FILES ${TRIVELLO_PKG_DIR}/trivello-scores.service DESTINATION lib/systemd/system COMPONENT scores)

# The Debian packages, one per component: runtime dependencies come from
# dpkg-shlibdeps, i.e. the Debian packages of the libraries each binary links
# (SDL2, libvorbisfile, DUMB, libcurl and OpenGL for the game; SQLite,
# libmicrohttpd and libpq for the server).
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game scores)
set(CPACK_PACKAGE_NAME trivello)
set(CPACK_PACKAGE_VERSION ${TRIVELLO_VERSION})
set(CPACK_PACKAGE_CONTACT ${TRIVELLO_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "The Trivello team")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TRIVELLO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME trivello)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_GAME_DESCRIPTION "trivia quiz for one to six players
Trivello is a trivia quiz for one to six players taking turns at one
computer. Each question shows a text and four answers; click the right one
before the clock runs out. Every fifth question is a photo puzzle revealed
bit by bit. Questions come in English, Italian and Spanish, and good scores
can be sent to an online top ten.")
# Mesa's drivers draw where no other OpenGL driver is installed; the score
# server keeps a top ten on this computer or for a whole club.
set(CPACK_DEBIAN_GAME_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_GAME_PACKAGE_SUGGESTS "trivello-scores")

set(CPACK_DEBIAN_SCORES_PACKAGE_NAME trivello-scores)
set(CPACK_DEBIAN_SCORES_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SCORES_DESCRIPTION "online top ten server for the Trivello quiz
trivello-scores keeps the online top ten of the Trivello trivia quiz in an
SQLite database and answers the game's requests over HTTP, so that every game
pointed at it shares one table; the table is also shown as a web page.
It limits submits per client address and stops without losing an accepted
score. A systemd unit runs it as an unprivileged user of its own.")

set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/deb)
include(CPack)

