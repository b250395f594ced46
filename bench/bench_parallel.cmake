velm_bench(bench_parallel QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_parallel.cpp BIBLIOTHEKEN velmklassen_kern)
