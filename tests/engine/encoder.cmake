# Tests of the encoder component, the option language and the transcoding loop.
# Media fixtures are made at test time with the ffmpeg command-line tool.
add_executable(engine_encoder_tests
  ${CMAKE_CURRENT_LIST_DIR}/encoder/EncoderFixtures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/OptionLanguageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/LegacyOptionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/TranscodeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/FormatPresetsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/EncoderComponentTest.cpp
)
target_link_libraries(engine_encoder_tests PRIVATE reel_engine reel_testmain)
set(ENCODER_SUPP ${CMAKE_CURRENT_LIST_DIR}/encoder/sanitizers.supp)
gtest_discover_tests(engine_encoder_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300
  ENVIRONMENT "TSAN_OPTIONS=suppressions=${ENCODER_SUPP};LSAN_OPTIONS=suppressions=${ENCODER_SUPP}")
