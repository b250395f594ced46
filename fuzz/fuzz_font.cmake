velm_fuzz(fuzz_font QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font.cpp BIBLIOTHEKEN velmklassen_render
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/font)
