add_executable(ui_windows_tests ${CMAKE_CURRENT_LIST_DIR}/WindowsTestMain.cpp ${CMAKE_CURRENT_LIST_DIR}/WindowsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EngineLogWindowTest.cpp ${CMAKE_CURRENT_LIST_DIR}/SideLogoTest.cpp)
target_link_libraries(ui_windows_tests PRIVATE reel_ui_windows reel_core GTest::gtest Qt6::Test)
gtest_discover_tests(ui_windows_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=offscreen)

# The wizard inside the started main window, walked with the real buttons.
add_executable(ui_wizard_tests ${CMAKE_CURRENT_LIST_DIR}/MainTestMain.cpp ${CMAKE_CURRENT_LIST_DIR}/MainWizardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InputListWindowTest.cpp ${CMAKE_CURRENT_LIST_DIR}/OutputChoiceWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyboardTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ProgramEndTest.cpp
  ${PROJECT_SOURCE_DIR}/tests/common/MediaClips.cpp)
target_include_directories(ui_wizard_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
target_link_libraries(ui_wizard_tests PRIVATE reel_ui reel_core GTest::gtest Qt6::Test)
target_compile_definitions(ui_wizard_tests PRIVATE REEL_STAGE_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(ui_wizard_tests reel_resources)
gtest_discover_tests(ui_wizard_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
