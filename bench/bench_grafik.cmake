find_package(OpenGL REQUIRED COMPONENTS OpenGL)
velm_bench(bench_grafik QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_grafik.cpp
           BIBLIOTHEKEN plattform_grafik9 OpenGL::OpenGL)
