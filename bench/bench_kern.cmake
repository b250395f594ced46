velm_bench(bench_kern QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_kern.cpp BIBLIOTHEKEN velmklassen_kern)
