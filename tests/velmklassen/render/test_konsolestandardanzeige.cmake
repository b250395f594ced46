velm_test(test_render_konsolestandardanzeige QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_konsolestandardanzeige.cpp
          BIBLIOTHEKEN velmklassen_render)
