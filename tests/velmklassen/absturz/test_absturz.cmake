# The crash tests end child processes by faults: AddressSanitizer must leave those signals to the
# engine's handler, as a release build does.
velm_test(test_absturz QUELLEN ${CMAKE_CURRENT_LIST_DIR}/test_absturz.cpp ${CMAKE_CURRENT_LIST_DIR}/test_absturzdump.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/test_stapelleser.cpp
          BIBLIOTHEKEN velmklassen_absturz
          UMGEBUNG "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/testdaten"
                   "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:use_sigaltstack=0")
set_tests_properties(test_absturz PROPERTIES TIMEOUT 120)
