velm_fuzz(fuzz_bild QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_bild.cpp BIBLIOTHEKEN velmklassen_bild
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/bild)
