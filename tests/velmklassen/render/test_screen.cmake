pkg_check_modules(GLFW3 REQUIRED IMPORTED_TARGET glfw3)
velm_test(test_render_screen QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_screen.cpp BIBLIOTHEKEN velmklassen_render PkgConfig::GLFW3
          LABELS xvfb)
