find_package(OpenGL REQUIRED COMPONENTS OpenGL)
velm_bench(bench_sprites QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_sprites.cpp
           BIBLIOTHEKEN velmklassen_render OpenGL::OpenGL)
target_compile_definitions(bench_sprites PRIVATE VELM_DATEN="${CMAKE_SOURCE_DIR}/Daten")
