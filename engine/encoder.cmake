# reel_engine: encoder component, option language with its compatibility table and presets, transcoding loop.
add_library(reel_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OptionText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X264Presets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LegacyOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameHook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegRecords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegInput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OutputFileNames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegStreamMap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegReadLoop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DemuxStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DecodeStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VideoFilter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VideoFilterStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioConvert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AudioStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegPreview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegCodecs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EncodeStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegMux.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MuxStage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFmpegRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Previewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FFEncode.cpp
)
target_include_directories(reel_engine PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(reel_engine PUBLIC reel_engine_base reel_core PkgConfig::FFMPEG Threads::Threads ${CMAKE_DL_LIBS})
