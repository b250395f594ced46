velm_test(test_render_sprites QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_sprites.cpp BIBLIOTHEKEN velmklassen_render)
