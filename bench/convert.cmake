# convert_bench: the engine's conversion against the ffmpeg command-line tool on the same input and options.
add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp)
target_link_libraries(convert_bench PRIVATE reel_engine reel_core)
