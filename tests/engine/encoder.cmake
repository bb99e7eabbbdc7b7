# The encoder's tests: the encoder component, the option language and the transcoding loop.
set(REEL_ENGINE_ENCODER_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/encoder/EncoderFixtures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/OptionLanguageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/LegacyOptionsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/TranscodeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/VideoFilterTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/FormatPresetsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/EncoderComponentTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/FaultsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/OutputFilesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/InputOpeningTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder/StagesTest.cpp
)

# The suppressions hide what happens inside FFmpeg (its own frames and its own C library calls), never a
# race of our own that FFmpeg merely calls into: a deliberate race in a log callback must still be reported.
if(REELWRIGHT_TSAN)
  add_executable(tsan_suppression_check ${CMAKE_CURRENT_LIST_DIR}/encoder/RaceInCallback.cpp)
  target_link_libraries(tsan_suppression_check PRIVATE PkgConfig::FFMPEG Threads::Threads)
  add_test(NAME TsanSuppressions.ARaceInOurCallbackIsReported COMMAND tsan_suppression_check)
  set_tests_properties(TsanSuppressions.ARaceInOurCallbackIsReported PROPERTIES
    ENVIRONMENT "TSAN_OPTIONS=exitcode=0"
    PASS_REGULAR_EXPRESSION "WARNING: ThreadSanitizer: data race")
endif()
