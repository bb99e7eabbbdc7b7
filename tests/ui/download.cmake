# The download path in the started main window against the loopback stand-in of the service.
add_executable(ui_download_tests ${CMAKE_CURRENT_LIST_DIR}/MainTestMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DownloadWindowTest.cpp)
target_link_libraries(ui_download_tests PRIVATE reel_ui reel_core reel_service_standin GTest::gtest Qt6::Test)
target_compile_definitions(ui_download_tests PRIVATE REEL_STAGE_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(ui_download_tests reel_resources)
gtest_discover_tests(ui_download_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 180 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
