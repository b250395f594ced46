velm_test(test_render_shader QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_shader.cpp BIBLIOTHEKEN velmklassen_render)
