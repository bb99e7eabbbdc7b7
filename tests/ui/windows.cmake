add_executable(ui_windows_tests ${CMAKE_CURRENT_LIST_DIR}/WindowsTestMain.cpp ${CMAKE_CURRENT_LIST_DIR}/WindowsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EngineLogWindowTest.cpp)
target_link_libraries(ui_windows_tests PRIVATE reel_ui_windows reel_core GTest::gtest Qt6::Test)
gtest_discover_tests(ui_windows_tests DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
