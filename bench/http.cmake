# HTTP transfer benchmark: the component against curl -o on the same loopback server.
add_executable(http_bench ${CMAKE_CURRENT_LIST_DIR}/http_bench.cpp)
target_link_libraries(http_bench PRIVATE reel_net reel_loopback_server)
