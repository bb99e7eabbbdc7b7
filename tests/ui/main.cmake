# The main window's start-up, layout and close path on the offscreen platform, and the window-bound
# helpers. The skin comes from the build's staged resources.
add_executable(ui_main_tests
  ${CMAKE_CURRENT_LIST_DIR}/MainTestMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinWidgetsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EditionCaptionTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PreviewWindowTest.cpp
)
target_link_libraries(ui_main_tests PRIVATE reel_ui reel_core GTest::gtest Qt6::Test)
target_compile_definitions(ui_main_tests PRIVATE REEL_STAGE_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(ui_main_tests reel_resources)
gtest_discover_tests(ui_main_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
