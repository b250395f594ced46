# The global system object is built before main: its data folder comes from the environment.
velm_test(test_system QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_system.cpp BIBLIOTHEKEN velmklassen_kern
          UMGEBUNG XDG_DATA_HOME=${CMAKE_CURRENT_BINARY_DIR}/test_system_daten/neu/xdg)
