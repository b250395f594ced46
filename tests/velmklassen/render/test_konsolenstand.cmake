velm_test(test_render_konsolenstand QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_konsolenstand.cpp
          BIBLIOTHEKEN velmklassen_render)
