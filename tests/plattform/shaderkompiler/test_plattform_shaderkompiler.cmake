velm_test(test_plattform_shaderkompiler
          QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_shaderblob.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/test_shaderuebersetzung.cpp
          BIBLIOTHEKEN plattform_shaderkompiler)
