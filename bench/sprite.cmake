# One tick of the credits dialog's sprite animation (clear, 494 blits) on a 373 x 281 view.
add_executable(tivaro_bench_sprite ${CMAKE_CURRENT_LIST_DIR}/sprite_bench.cpp)
target_link_libraries(tivaro_bench_sprite PRIVATE tivaro_core tivaro_test_backend
                                                  benchmark::benchmark tivaro_warnings)
