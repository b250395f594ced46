velm_test(test_parallelkern QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_parallelkern.cpp BIBLIOTHEKEN velmklassen_kern)
# A lost wake-up hangs instead of failing: the timeout turns it into a failure.
set_tests_properties(test_parallelkern PROPERTIES TIMEOUT 120)
