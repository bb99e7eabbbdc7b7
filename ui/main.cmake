# reel_ui: the main window, the skinned frame, image buttons, dialogs and the program entry.
# reelwright: the program.
add_library(reel_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ButtonPictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ConversionPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Dialogs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DownloadPage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormYouTubeHQ.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditionCaption.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWizard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PngImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PreviewWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgramEntry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinImages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinnedFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlacement.cpp
)
target_include_directories(reel_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(reel_ui PUBLIC reel_app reel_ui_windows reel_wizard reel_download Qt6::Widgets Qt6::Gui PNG::PNG)

add_executable(reelwright ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(reelwright PRIVATE reel_ui)
# The program runs from the build tree with its resources beside it.
add_dependencies(reelwright reel_resources)
