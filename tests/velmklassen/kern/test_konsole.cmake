velm_test(test_konsole QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_konsole.cpp BIBLIOTHEKEN velmklassen_kern)
