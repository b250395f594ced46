find_package(OpenGL REQUIRED COMPONENTS OpenGL)
velm_bench(bench_filter QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_filter.cpp
           BIBLIOTHEKEN nadrel_filter OpenGL::OpenGL)
target_compile_definitions(bench_filter PRIVATE NADREL_DATEN="${CMAKE_SOURCE_DIR}/Daten")
