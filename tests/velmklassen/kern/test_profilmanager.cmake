velm_test(test_profilmanager QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_profilmanager.cpp BIBLIOTHEKEN velmklassen_kern
          UMGEBUNG XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/test_profilmanager_daten)
