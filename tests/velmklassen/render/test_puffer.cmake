velm_test(test_render_puffer QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_puffer.cpp BIBLIOTHEKEN velmklassen_render)
