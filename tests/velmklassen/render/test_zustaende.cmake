velm_test(test_render_zustaende QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_zustaende.cpp BIBLIOTHEKEN velmklassen_render)
