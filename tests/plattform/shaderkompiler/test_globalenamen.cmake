velm_test(test_plattform_globalenamen QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_globalenamen.cpp
          BIBLIOTHEKEN plattform_shaderkompiler)
