find_package(PNG REQUIRED)
velm_bench(bench_bild QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_bild.cpp BIBLIOTHEKEN velmklassen_bild PNG::PNG)
