velm_test(test_plattform_speicherseiten QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_plattform_speicherseiten.cpp
          BIBLIOTHEKEN plattform_system)
