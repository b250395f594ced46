velm_fuzz(fuzz_konfiguration QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_konfiguration.cpp BIBLIOTHEKEN velmklassen_kern
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/konfiguration)
