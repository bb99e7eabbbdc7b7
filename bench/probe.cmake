# probe_bench: the engine's probe against ffprobe + ffmpeg on the same files.
add_executable(probe_bench ${CMAKE_CURRENT_LIST_DIR}/probe_bench.cpp)
target_link_libraries(probe_bench PRIVATE reel_engine_base)
