velm_test(test_konfiguration QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_konfiguration.cpp BIBLIOTHEKEN velmklassen_kern
          UMGEBUNG XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/test_konfiguration_daten)
