# Download benchmark: the whole download run against curl -o through the loopback stand-in of the service.
add_executable(download_bench ${CMAKE_CURRENT_LIST_DIR}/download_bench.cpp)
target_link_libraries(download_bench PRIVATE reel_download reel_service_standin)
