velm_test(test_audio QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_audio.cpp BIBLIOTHEKEN velmklassen_audio)
