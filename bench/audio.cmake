# audio_path_bench: the engine's hand-made audio stage (resampler, volume, FIFO) against a filter graph.
add_executable(audio_path_bench ${CMAKE_CURRENT_LIST_DIR}/audio_path_bench.cpp)
target_link_libraries(audio_path_bench PRIVATE reel_engine)
