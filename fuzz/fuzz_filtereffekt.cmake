velm_fuzz(fuzz_filtereffekt QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_filtereffekt.cpp BIBLIOTHEKEN nadrel_filter
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/filtereffekt)
