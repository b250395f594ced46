velm_test(test_render_sprites QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_sprites.cpp BIBLIOTHEKEN velmklassen_render)
target_compile_definitions(test_render_sprites PRIVATE VELM_DATEN="${CMAKE_SOURCE_DIR}/Daten")
