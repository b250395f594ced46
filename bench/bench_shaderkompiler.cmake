velm_bench(bench_shaderkompiler QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_shaderkompiler.cpp
           BIBLIOTHEKEN plattform_shaderkompiler)
