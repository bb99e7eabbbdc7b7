# Run by `cmake --install`: copies the stage beside the built program into P/lib/reelwright and links
# P/bin/reelwright to the program. Every folder and every file of the stage goes along except ELF files,
# which are the build's programs (tests, benchmarks); the programs to ship are installed by name.
set(dest "${CMAKE_INSTALL_PREFIX}/${REEL_INSTALL_DIR}")
file(GLOB entries LIST_DIRECTORIES true "${REEL_STAGE}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${entry}")
    file(INSTALL "${entry}" DESTINATION "${dest}")
    continue()
  endif()
  file(READ "${entry}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    file(INSTALL "${entry}" DESTINATION "${dest}")
  endif()
endforeach()

set(bin "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin")
file(MAKE_DIRECTORY "${bin}")
message(STATUS "Installing: ${bin}/reelwright -> ../${REEL_INSTALL_DIR}/reelwright")
file(CREATE_LINK "../${REEL_INSTALL_DIR}/reelwright" "${bin}/reelwright" SYMBOLIC)
