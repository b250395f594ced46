velm_test(test_render_gpuobjekte QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_gpuobjekte.cpp BIBLIOTHEKEN velmklassen)
