# Every test program's environment: the engine creates its user folder before main, so it stays
# inside the build tree. In the sanitizer build GCC 12's LeakSanitizer does not read thread-local
# storage: its reading of dynamically loaded modules' blocks (Mesa's driver) takes a stray word for
# a block now and then, depending on where the heap put them, and crashes at exit. Without that
# root, only the dynamic loader's own bookkeeping looks lost; tests/lsan_unterdrueckungen.txt names it.
set(VELM_SANITIZERUMGEBUNG "")
if(VELM_SANITIZE)
    set(VELM_SANITIZERUMGEBUNG
        "LSAN_OPTIONS=use_tls=0:suppressions=${CMAKE_SOURCE_DIR}/tests/lsan_unterdrueckungen.txt")
endif()
set(VELM_TESTUMGEBUNG "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/testdaten" ${VELM_SANITIZERUMGEBUNG})

# velm_test(NAME QUELLEN a.cpp b.cpp BIBLIOTHEKEN lib... [UMGEBUNG VAR=wert...] [LABELS l...])
# One GoogleTest program, run by CTest as one test. Tests labelled xvfb open real windows on the
# one X server of the run and take turns, so no window covers another's pixels.
function(velm_test name)
    cmake_parse_arguments(ARG "" "" "QUELLEN;BIBLIOTHEKEN;UMGEBUNG;LABELS" ${ARGN})
    add_executable(${name} ${ARG_QUELLEN})
    target_link_libraries(${name} PRIVATE ${ARG_BIBLIOTHEKEN} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set(umgebung ${VELM_TESTUMGEBUNG})
    if(ARG_UMGEBUNG)
        set(umgebung ${ARG_UMGEBUNG} ${VELM_SANITIZERUMGEBUNG})
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${umgebung}")
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    if("xvfb" IN_LIST ARG_LABELS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK x_server)
    endif()
endfunction()

# velm_fuzz(NAME QUELLEN a.cpp BIBLIOTHEKEN lib... KORPUS folder)
# One libFuzzer target; CTest runs it for 30 seconds over its seed corpus.
function(velm_fuzz name)
    cmake_parse_arguments(ARG "" "KORPUS" "QUELLEN;BIBLIOTHEKEN" ${ARGN})
    add_executable(${name} ${ARG_QUELLEN})
    target_link_libraries(${name} PRIVATE ${ARG_BIBLIOTHEKEN})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    add_dependencies(velm_fuzz ${name})
    set(arbeit ${CMAKE_CURRENT_BINARY_DIR}/${name}_korpus)
    add_test(NAME ${name}
             COMMAND sh -c "mkdir -p '${arbeit}' && exec \"$0\" -max_total_time=30 -rss_limit_mb=2048 -timeout=10 '${arbeit}' '${ARG_KORPUS}'"
                     $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# velm_bibliothek(NAME QUELLEN a.cpp... BIBLIOTHEKEN lib... [PRIVAT lib...])
# One engine subsystem as a static archive `NAME_archiv` and an interface `NAME` that consumers
# link. Variables and commands register from static initialisers, which the linker would drop
# with an unreferenced object file, so the interface takes the archive whole.
function(velm_bibliothek name)
    cmake_parse_arguments(ARG "" "" "QUELLEN;BIBLIOTHEKEN;PRIVAT" ${ARGN})
    add_library(${name}_archiv STATIC ${ARG_QUELLEN})
    target_include_directories(${name}_archiv PUBLIC ${VELM_QUELLWURZELN})
    target_link_libraries(${name}_archiv PUBLIC ${ARG_BIBLIOTHEKEN} PRIVATE ${ARG_PRIVAT})
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}_archiv>")
endfunction()
