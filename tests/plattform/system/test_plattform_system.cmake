velm_test(test_plattform_system QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_plattform_system.cpp
          BIBLIOTHEKEN plattform_system)
