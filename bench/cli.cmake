# cli_bench: a batch through reelwright-cli against the ffmpeg tool with the same settings.
add_executable(cli_bench ${CMAKE_CURRENT_LIST_DIR}/cli_bench.cpp)
target_link_libraries(cli_bench PRIVATE Qt6::Core)
target_compile_definitions(cli_bench PRIVATE REEL_CLI="$<TARGET_FILE:reelwright-cli>")
add_dependencies(cli_bench reelwright-cli)
