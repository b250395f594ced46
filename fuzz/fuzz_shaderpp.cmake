velm_fuzz(fuzz_shaderpp QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_shaderpp.cpp BIBLIOTHEKEN shaderpp
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/shaderpp)
