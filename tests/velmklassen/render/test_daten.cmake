# The committed data files are what their tools in "Daten" make now.
set(daten ${CMAKE_SOURCE_DIR}/Daten)
set(neu ${CMAKE_CURRENT_BINARY_DIR})
add_test(NAME daten_grafik_png
         COMMAND sh -c "\"$0\" '${neu}/grafik.png' && cmp '${neu}/grafik.png' '${daten}/grafik.png'"
                 $<TARGET_FILE:mache_grafik>)
add_test(NAME daten_calibrib_fnt
         COMMAND sh -c "\"$0\" '${daten}/calibrib.ttf' '${neu}/calibrib.fnt' && cmp '${neu}/calibrib.fnt' '${daten}/calibrib.fnt'"
                 $<TARGET_FILE:mache_schrift>)
set_tests_properties(daten_grafik_png daten_calibrib_fnt PROPERTIES ENVIRONMENT "${VELM_TESTUMGEBUNG}")
