velm_test(test_formate
    QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_segmentleser.cpp ${CMAKE_CURRENT_LIST_DIR}/test_platz.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_eigenschaften.cpp
    BIBLIOTHEKEN velmklassen_kern)
