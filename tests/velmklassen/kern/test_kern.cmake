velm_test(test_kern
    QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_variable.cpp ${CMAKE_CURRENT_LIST_DIR}/test_slotfeld.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_speicher.cpp ${CMAKE_CURRENT_LIST_DIR}/test_hilfen.cpp
    BIBLIOTHEKEN velmklassen_kern)
