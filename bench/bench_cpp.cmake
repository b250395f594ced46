velm_bench(bench_cpp QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_cpp.cpp BIBLIOTHEKEN shaderpp)
