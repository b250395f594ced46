velm_fuzz(fuzz_eigenschaften QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_eigenschaften.cpp BIBLIOTHEKEN velmklassen_kern
          KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/eigenschaften)
