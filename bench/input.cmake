# input_bench: how many files a second adding to the input list takes (probe, middle picture, row).
add_executable(input_bench ${CMAKE_CURRENT_LIST_DIR}/input_bench.cpp ${PROJECT_SOURCE_DIR}/tests/common/MediaClips.cpp)
target_include_directories(input_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
target_link_libraries(input_bench PRIVATE reel_wizard)
