velm_test(test_render_quad QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_quad.cpp BIBLIOTHEKEN velmklassen_render)
