velm_fuzz(fuzz_shaderkompiler QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_shaderkompiler.cpp
          BIBLIOTHEKEN plattform_shaderkompiler KORPUS ${CMAKE_CURRENT_SOURCE_DIR}/korpus/shaderkompiler)
