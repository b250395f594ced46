velm_fuzz(fuzz_segment QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_segment.cpp BIBLIOTHEKEN velmklassen_kern
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/segment)
