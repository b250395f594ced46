velm_fuzz(fuzz_shaderdialekt QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_shaderdialekt.cpp BIBLIOTHEKEN velmklassen_render
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/shaderdialekt)
