velm_test(test_konsolenbefehl QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_konsolenbefehl.cpp BIBLIOTHEKEN velmklassen_kern
          UMGEBUNG XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/test_konsolenbefehl_daten)
