velm_test(test_zeitgeber QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_zeitgeber.cpp BIBLIOTHEKEN velmklassen_kern)
