velm_test(test_render_font QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_font.cpp BIBLIOTHEKEN velmklassen_render)
target_compile_definitions(test_render_font PRIVATE VELM_DATEN="${CMAKE_SOURCE_DIR}/Daten")
