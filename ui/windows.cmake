# reel_ui_windows: the separate windows of the wizard (log window, shutdown countdown, About windows) and
# the help menu, and the engine log's way into the log window.
add_library(reel_ui_windows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ClickableLabel.h
  ${CMAKE_CURRENT_LIST_DIR}/FormLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormShutdown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormAbout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormAboutPaid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HelpMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFLoggerLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardPages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InputGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FormFailedAddFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SideLogo.cpp
)
target_include_directories(reel_ui_windows PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(reel_ui_windows PUBLIC reel_wizard reel_app reel_engine_base Qt6::Widgets)
