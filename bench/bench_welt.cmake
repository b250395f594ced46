velm_bench(bench_welt QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_welt.cpp BIBLIOTHEKEN nadrel_welt)
