cardolo_add_bench(BenchCalendar ${CMAKE_CURRENT_LIST_DIR}/BenchCalendar.cpp)
