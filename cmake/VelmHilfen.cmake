# The one way each kind of target is made: libraries, test programs, benchmarks, fuzz targets.
# Sources are listed by hand; a program is named after its file.

# velm_bibliothek(NAME [QUELLEN a.cpp...] [BIBLIOTHEKEN lib...] [PRIVAT lib...] [GANZ])
# A library of the engine, the game or a test folder's helpers; without sources it is header-only.
# Its include root is the tree it lies in: a library under sourceext sees sourceext only, one under
# source sees both, so the engine cannot include the game; a test folder's helpers see tests/ too.
# GANZ: the library's variables, commands and start-up objects register from static initialisers,
# which the linker would drop with an object file nothing refers to, so consumers take the whole
# archive, `NAME_archiv`.
function(velm_bibliothek name)
    cmake_parse_arguments(ARG "GANZ" "" "QUELLEN;BIBLIOTHEKEN;PRIVAT" ${ARGN})
    set(wurzeln ${CMAKE_SOURCE_DIR}/sourceext)
    if(CMAKE_CURRENT_SOURCE_DIR MATCHES "^${CMAKE_SOURCE_DIR}/source(/|$)")
        list(APPEND wurzeln ${CMAKE_SOURCE_DIR}/source)
    elseif(CMAKE_CURRENT_SOURCE_DIR MATCHES "^${CMAKE_SOURCE_DIR}/tests(/|$)")
        list(APPEND wurzeln ${CMAKE_SOURCE_DIR}/source ${CMAKE_SOURCE_DIR}/tests)
    endif()
    if(NOT ARG_QUELLEN)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${wurzeln})
        target_link_libraries(${name} INTERFACE ${ARG_BIBLIOTHEKEN})
        return()
    endif()
    set(archiv ${name})
    if(ARG_GANZ)
        set(archiv ${name}_archiv)
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${archiv}>")
    endif()
    add_library(${archiv} STATIC ${ARG_QUELLEN})
    target_include_directories(${archiv} PUBLIC ${wurzeln})
    target_link_libraries(${archiv} PUBLIC ${ARG_BIBLIOTHEKEN} PRIVATE ${ARG_PRIVAT})
endfunction()

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

# velm_test(test_x.cpp BIBLIOTHEKEN lib... [UMGEBUNG VAR=wert...] [LABELS l...] [ZEIT seconds])
# The GoogleTest program `test_x` of one test file, run by CTest as one test. UMGEBUNG takes the
# place of the shared environment, user folder included; the sanitizer's options stay. A folder's
# helpers are in its testhilfe.h; where they have code, testhilfe.cpp is compiled once into a
# library of the folder (velm_bibliothek), which its programs name among BIBLIOTHEKEN. Tests
# labelled xvfb open real windows on the one X server of the run and take turns, so no window
# covers another's pixels.
function(velm_test datei)
    cmake_parse_arguments(ARG "" "ZEIT" "BIBLIOTHEKEN;UMGEBUNG;LABELS" ${ARGN})
    get_filename_component(name ${datei} NAME_WE)
    add_executable(${name} ${datei})
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
    if(ARG_ZEIT)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_ZEIT})
    endif()
endfunction()

# velm_bench(bench_x.cpp BIBLIOTHEKEN lib...): the Google Benchmark program `bench_x`. Benchmarks
# and fuzz targets drive the engine as its tests do (the unit quad, a text as the preprocessor's
# input), so they see tests/ as an include root too: what they share is defined once in
# tests/testhilfen/, in headers that need no test framework and exist whether tests are built or not.
function(velm_bench datei)
    cmake_parse_arguments(ARG "" "" "BIBLIOTHEKEN" ${ARGN})
    get_filename_component(name ${datei} NAME_WE)
    add_executable(${name} ${datei})
    target_link_libraries(${name} PRIVATE ${ARG_BIBLIOTHEKEN} benchmark::benchmark benchmark::benchmark_main)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endfunction()

# velm_fuzz(fuzz_x.cpp BIBLIOTHEKEN lib...): the libFuzzer target `fuzz_x`; CTest runs it for 30
# seconds over its seed corpus in korpus/x.
function(velm_fuzz datei)
    cmake_parse_arguments(ARG "" "" "BIBLIOTHEKEN" ${ARGN})
    get_filename_component(name ${datei} NAME_WE)
    string(REGEX REPLACE "^fuzz_" "" korpus ${name})
    set(korpus ${CMAKE_CURRENT_SOURCE_DIR}/korpus/${korpus})
    add_executable(${name} ${datei})
    target_link_libraries(${name} PRIVATE ${ARG_BIBLIOTHEKEN})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_dependencies(velm_fuzz ${name})
    set(arbeit ${CMAKE_CURRENT_BINARY_DIR}/${name}_korpus)
    add_test(NAME ${name}
             COMMAND sh -c "mkdir -p '${arbeit}' && exec \"$0\" -max_total_time=30 -rss_limit_mb=2048 -timeout=10 '${arbeit}' '${korpus}'"
                     $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()
