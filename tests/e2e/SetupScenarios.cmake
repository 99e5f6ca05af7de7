# End-to-end scenarios of Setup.exe under Wine and a virtual X server, driven by the UI driver.
# Included once per architecture (ZRV_ARCH, ZRV_WIN32_BINARY_DIR). The scenarios of an architecture
# share one prefix with a virtual desktop; each keeps its screenshots in e2e-shots/ARCH/NAME.
set(ZRV_SETUP_SCENARIOS no-config broken-config default missing-dir free-space name-is-file cancel-welcome cancel-progress missing-volume corrupt
    uninstall-arp uninstall-prior uninstall-silent uninstall-refused uninstall-in-use uninstall-link uninstall-cancelled installed-tool
    cancel-at-retry refused-choice registry-fails medium-target empty-volume
    silent-default silent-blanks silent-refused silent-space silent-volume silent-corrupt
    shortcuts reinstall downgrade upgrade upgrade-killed per-user either bundle-version
    bundle-demo bundle-volumes bundle-signed bundle-silent bundle-cut bundle-altered bundle-no-start bundle-no-room
    unicode-folders unicode-profile)
# The programs' defences (safety-scenarios.sh).
list(APPEND ZRV_SETUP_SCENARIOS planted-dll planted-dll-bundle no-comctl32 uninstall-options uninstall-forged elevated-attacks rights)
set(ZRV_E2E_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-e2e-${ZRV_ARCH})
set(ZRV_E2E_ENV "ZRV_ARCH=${ZRV_ARCH};WINEPREFIX=${ZRV_E2E_PREFIX}")
add_test(NAME ${ZRV_ARCH}_e2e_prefix COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/make-prefix.sh)
set_tests_properties(${ZRV_ARCH}_e2e_prefix PROPERTIES FIXTURES_SETUP e2e_${ZRV_ARCH} LABELS ${ZRV_ARCH}
                     ENVIRONMENT "${ZRV_E2E_ENV}")
if(ZRV_ARCH STREQUAL ZRV_FIRST_TEST_ARCH)
  # A medium in UTF-8 (CodePage=65001) that zrvtool makes by itself for Chinese names, the
  # welcome in the languages of lang/, read back and kept as screenshots, and the reader's message
  # on a damaged image in German: for one architecture.
  list(APPEND ZRV_SETUP_SCENARIOS utf8-medium language corrupt-language)
endif()
# A real program from its sources through cpack to installed, running and removed.
list(APPEND ZRV_SETUP_SCENARIOS cpack-textview)
foreach(s IN LISTS ZRV_SETUP_SCENARIOS)
  add_test(NAME ${ZRV_ARCH}_setup_${s} COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/setup-scenarios.sh ${s})
  set_tests_properties(${ZRV_ARCH}_setup_${s} PROPERTIES
    FIXTURES_REQUIRED e2e_${ZRV_ARCH}
    LABELS ${ZRV_ARCH}
    # Windows on the one display take turns: a scenario's virtual desktop covers the screen.
    RESOURCE_LOCK wine_x
    TIMEOUT 300
    ENVIRONMENT "${ZRV_E2E_ENV};ZRV_WIN32_BIN=${ZRV_WIN32_BINARY_DIR};ZRV_HOST_BIN=${CMAKE_BINARY_DIR};ZRV_SOURCE=${CMAKE_SOURCE_DIR};ZRV_SHOTS=${CMAKE_BINARY_DIR}/e2e-shots/${ZRV_ARCH}/${s}")
endforeach()

