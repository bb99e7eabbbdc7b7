# reel_engine_base: engine log, library loader, interrupt registry, file names, shared FFmpeg helpers, media probe.
add_library(reel_engine_base STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ThreadId.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StrFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFLoad.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InterruptCB.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnicodeProtocol.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFUtils.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFDecode.cpp
)
target_include_directories(reel_engine_base PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(reel_engine_base PUBLIC reel_core PkgConfig::FFMPEG Threads::Threads)
