velm_test(test_render_shaderdump QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_shaderdump.cpp BIBLIOTHEKEN velmklassen)
