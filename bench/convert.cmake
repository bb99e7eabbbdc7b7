# convert_bench: the engine's conversion against the ffmpeg command-line tool on the same input, the tool
# given the settings the engine's output shows (MediaSettings, X264Options). For example
#   RUNS=5 convert_bench clip.mp4 out.mp4 vcodec=libx264 s=640x360 acodec=aac
#   RUNS=5 convert_bench clip.mp4 out.avi
add_library(convert_bench_settings STATIC ${CMAKE_CURRENT_LIST_DIR}/MediaSettings.cpp
                                          ${CMAKE_CURRENT_LIST_DIR}/X264Options.cpp)
target_include_directories(convert_bench_settings PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(convert_bench_settings PUBLIC reel_engine_base)
add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
target_link_libraries(convert_bench PRIVATE convert_bench_settings reel_engine reel_core)
