velm_bench(bench_szene QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_szene.cpp BIBLIOTHEKEN nadrel_punktrenderer)
