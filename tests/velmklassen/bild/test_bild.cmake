find_package(PNG REQUIRED)
velm_test(test_bild
    QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_bild.cpp ${CMAKE_CURRENT_LIST_DIR}/test_bereich.cpp
            ${CMAKE_CURRENT_LIST_DIR}/test_png.cpp ${CMAKE_CURRENT_LIST_DIR}/test_dds.cpp
    BIBLIOTHEKEN velmklassen_bild ZLIB::ZLIB PNG::PNG)
