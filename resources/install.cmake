# `cmake --install build --prefix P` gives a desktop program:
#   P/lib/reelwright/           the program with everything the build staged beside it
#   P/bin/reelwright            a link to it (the program finds its folder through the link)
#   P/share/applications/reelwright.desktop
#   P/share/icons/hicolor/NxN/apps/reelwright.png
set(REEL_INSTALL_DIR lib/reelwright)

install(TARGETS reelwright RUNTIME DESTINATION ${REEL_INSTALL_DIR})
# The stage is copied whole, so files added to it later are installed too; only the build's own programs
# (tests, benchmarks) are left out. Programs meant for users are installed by name, as above.
install(CODE "set(REEL_STAGE \"${REEL_STAGE}\")\nset(REEL_INSTALL_DIR \"${REEL_INSTALL_DIR}\")")
install(SCRIPT ${CMAKE_CURRENT_SOURCE_DIR}/InstallStage.cmake)

install(FILES desktop/reelwright.desktop DESTINATION share/applications)
install(DIRECTORY ${REEL_THEME_ICONS} DESTINATION share/icons)

# The desktop entry follows the freedesktop rules.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
add_test(NAME desktop_entry_valid
         COMMAND ${DESKTOP_FILE_VALIDATE} ${CMAKE_CURRENT_SOURCE_DIR}/desktop/reelwright.desktop)
