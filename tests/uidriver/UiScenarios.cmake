# End-to-end scenarios driven by the UI driver under Wine and a virtual X server, and the check
# that the committed picture strips are what their script makes. Included by the host build once
# per architecture (ZRV_ARCH, ZRV_WIN32_BINARY_DIR and the prefix of WineTests.cmake).
# Screenshots of every screen a scenario visits are kept in screenshots/<test>/ of the build.
set(ZRV_CHOOSER_SCENARIOS levels open return focus typed drive cancel msgbox)
foreach(s IN LISTS ZRV_CHOOSER_SCENARIOS)
  add_test(NAME ${ZRV_ARCH}_chooser_${s} COMMAND bash ${CMAKE_SOURCE_DIR}/tests/uidriver/chooser-scenarios.sh ${s})
  set_tests_properties(${ZRV_ARCH}_chooser_${s} PROPERTIES
    FIXTURES_REQUIRED wine_${ZRV_ARCH}
    # One X session at a time talks to the prefix's wineserver.
    RESOURCE_LOCK wine_x
    TIMEOUT 180
    LABELS ${ZRV_ARCH}
    ENVIRONMENT "${ZRV_WINE_ENV};ZRV_WIN32_BIN=${ZRV_WIN32_BINARY_DIR};ZRV_SHOTS=${CMAKE_BINARY_DIR}/screenshots/${ZRV_ARCH}/chooser_${s}")
endforeach()
foreach(t IN LISTS ZRV_WINE_X_TESTS)
  set_tests_properties(${ZRV_ARCH}_${t} PROPERTIES RESOURCE_LOCK wine_x)
endforeach()

find_program(ZRV_PYTHON3 python3)
if(ZRV_PYTHON3 AND NOT TEST res_bitmaps_current)
  add_test(NAME res_bitmaps_current
           COMMAND ${ZRV_PYTHON3} ${CMAKE_SOURCE_DIR}/res/bitmaps/make_bitmaps.py --check)
endif()
