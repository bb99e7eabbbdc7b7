# batch_bench: a 720p batch through the job builder and the conversion run against the ffmpeg tool, file by file
# and two at a time.
# stall_bench: the main thread's longest stall during a 720p run with the live preview on.
add_executable(batch_bench ${CMAKE_CURRENT_LIST_DIR}/batch_bench.cpp)
target_link_libraries(batch_bench PRIVATE reel_wizard reel_core)
add_executable(stall_bench ${CMAKE_CURRENT_LIST_DIR}/stall_bench.cpp)
target_link_libraries(stall_bench PRIVATE reel_wizard reel_app Qt6::Gui)
