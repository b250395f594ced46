velm_test(test_render_texturen QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_texturen.cpp BIBLIOTHEKEN velmklassen_render)
