# The game's frame in a real window: run it under xvfb-run. Its data folder lies beside it, as
# beside the game.
velm_bench(bench_spiel QUELLEN ${CMAKE_CURRENT_SOURCE_DIR}/bench_spiel.cpp BIBLIOTHEKEN nadrel_spiel)
add_custom_command(TARGET bench_spiel POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E create_symlink ${CMAKE_SOURCE_DIR}/Daten $<TARGET_FILE_DIR:bench_spiel>/Daten)
