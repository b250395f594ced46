velm_test(test_plattform_shaderkompiler
          QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_shaderblob.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/test_shaderuebersetzung.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/test_konstantentabelle.cpp
          BIBLIOTHEKEN plattform_shaderkompiler)

# The generated GLSL in Mesa's headless driver, in the graphics layer's GL context.
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
velm_test(test_plattform_shaderkompiler_gl
          QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_glsl_im_treiber.cpp
          BIBLIOTHEKEN plattform_shaderkompiler plattform_grafik9 OpenGL::OpenGL)
