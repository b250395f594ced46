velm_test(test_kern
    QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_variable.cpp ${CMAKE_CURRENT_LIST_DIR}/test_slotfeld.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_speicher.cpp ${CMAKE_CURRENT_LIST_DIR}/test_hilfen.cpp
    BIBLIOTHEKEN velmklassen_kern)
# The core is built without the graphics stack: its tests load no EGL, GL or GLFW.
add_test(NAME test_kern_ohne_grafik
         COMMAND sh -c "! ldd \"$0\" | grep -qE 'libEGL|libOpenGL|libGL|libglfw'" $<TARGET_FILE:test_kern>)
