# The engine foundation's tests: log, loader, interrupt registry, file names, error texts, media probe.
set(REEL_ENGINE_FOUNDATION_TESTS
  ${CMAKE_CURRENT_LIST_DIR}/foundation/MediaFixtures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/LogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/LoaderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/InterruptTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/NamesAndErrorsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/DecoderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/foundation/ConverterTest.cpp
)
