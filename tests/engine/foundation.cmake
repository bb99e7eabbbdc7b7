# Tests of the engine foundation: log, loader, interrupt registry, file names, error texts, media probe.
# Media fixtures are made at test time with the ffmpeg command-line tool.
add_executable(engine_foundation_tests
  ${CMAKE_CURRENT_LIST_DIR}/foundation/MediaFixtures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/LogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/LoaderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/InterruptTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/NamesAndErrorsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/DecoderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/ConverterTest.cpp
)
target_link_libraries(engine_foundation_tests PRIVATE reel_engine_base reel_testmain)
gtest_discover_tests(engine_foundation_tests DISCOVERY_TIMEOUT 60)
