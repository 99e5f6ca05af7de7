# Runs the Windows test programs built by a Windows sub-build under Wine, in a private prefix
# inside the build folder. Each entry is a program name from tests/win32/CMakeLists.txt.
# Included once per architecture: ZRV_ARCH (x86 or x64) and ZRV_WIN32_BINARY_DIR, its build
# folder. Tests are named ARCH_NAME, labelled ARCH, and use the prefix wineprefix-ARCH.
set(ZRV_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-${ZRV_ARCH})
set(ZRV_WINE_ENV "ZRV_ARCH=${ZRV_ARCH};WINEPREFIX=${ZRV_WINE_PREFIX}")
set(ZRV_WINE_TESTS
  win32_framework_tests
  win32_archive_tests
  win32_app_tests
  win32_registry_tests
  win32_install_tests
  win32_uninstall_tests
  win32_safestart_tests
  win32_handle_tests
  win32_security_tests
)
set(ZRV_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
add_test(NAME ${ZRV_ARCH}_wine_prefix COMMAND ${ZRV_WINE_RUN} --prefix-only)
set_tests_properties(${ZRV_ARCH}_wine_prefix PROPERTIES FIXTURES_SETUP wine_${ZRV_ARCH}
                     LABELS ${ZRV_ARCH} ENVIRONMENT "${ZRV_WINE_ENV}")
foreach(t IN LISTS ZRV_WINE_TESTS)
  add_test(NAME ${ZRV_ARCH}_${t} COMMAND ${ZRV_WINE_RUN} ${ZRV_WIN32_BINARY_DIR}/tests/win32/${t}.exe)
  set_tests_properties(${ZRV_ARCH}_${t} PROPERTIES FIXTURES_REQUIRED wine_${ZRV_ARCH}
                       LABELS ${ZRV_ARCH} ENVIRONMENT "${ZRV_WINE_ENV}")
endforeach()
# Windows test programs that open windows run under a virtual X server. On the run's one display
# they take turns with each other and with the scenarios (RESOURCE_LOCK wine_x): a program that
# looks for a dialog by its caption must not find another program's.
set(ZRV_WINE_X_TESTS
  win32_window_tests
  win32_chooser_tests
  win32_ui_tests
)
foreach(t IN LISTS ZRV_WINE_X_TESTS)
  add_test(NAME ${ZRV_ARCH}_${t} COMMAND ${ZRV_WINE_RUN} --x ${ZRV_WIN32_BINARY_DIR}/tests/win32/${t}.exe)
  set_tests_properties(${ZRV_ARCH}_${t} PROPERTIES FIXTURES_REQUIRED wine_${ZRV_ARCH} RESOURCE_LOCK wine_x
                       LABELS ${ZRV_ARCH} ENVIRONMENT "${ZRV_WINE_ENV}")
endforeach()
if(ZRV_ARCH STREQUAL ZRV_FIRST_TEST_ARCH)
  file(GLOB ZRV_LANG_TABLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/lang/*.lang)
  # The dialogs in every language, one run per code page that the languages need (LANG sets Wine's
  # code page): each run must check the tags it names that lang/ holds.
  foreach(run "C.UTF-8|en,de,fr,es,it,pt-BR,nl" "pl_PL.UTF-8|pl,cs" "ru_RU.UTF-8|ru" "ja_JP.UTF-8|ja" "zh_CN.UTF-8|zh-CN"
              "ko_KR.UTF-8|ko")
    string(REPLACE "|" ";" run "${run}")
    list(GET run 0 locale)
    list(GET run 1 tags)
    string(REPLACE "," ";" tags "${tags}")
    set(shipped "")
    foreach(tag IN LISTS tags)
      if(EXISTS ${CMAKE_SOURCE_DIR}/lang/${tag}.lang)
        list(APPEND shipped ${tag})
      endif()
    endforeach()
    if(NOT shipped)
      continue()
    endif()
    string(REPLACE ";" "," shipped "${shipped}")
    string(REGEX REPLACE "[._].*" "" name "${locale}")
    add_test(NAME ${ZRV_ARCH}_win32_lang_tests_${name} COMMAND ${ZRV_WINE_RUN} --x ${ZRV_WIN32_BINARY_DIR}/tests/win32/win32_lang_tests.exe)
    set_tests_properties(${ZRV_ARCH}_win32_lang_tests_${name} PROPERTIES FIXTURES_REQUIRED wine_${ZRV_ARCH} LABELS ${ZRV_ARCH}
                         RESOURCE_LOCK wine_x
                         ENVIRONMENT "${ZRV_WINE_ENV};LANG=${locale};LC_ALL=${locale};ZRV_FIT_LANGS=${shipped}")
  endforeach()
endif()
# The worker's tests read the disk images that the host's make_install_images writes first.
set_tests_properties(${ZRV_ARCH}_win32_install_tests PROPERTIES FIXTURES_REQUIRED "wine_${ZRV_ARCH};install_images"
  ENVIRONMENT "${ZRV_WINE_ENV};ZRV_INSTALL_IMAGES=${CMAKE_BINARY_DIR}/install-images")
# These programs schedule, read and clear the prefix's renames for the restart, one value for
# the whole machine: two at once would read or clear each other's.
set_tests_properties(${ZRV_ARCH}_win32_install_tests ${ZRV_ARCH}_win32_uninstall_tests ${ZRV_ARCH}_win32_handle_tests
  PROPERTIES RESOURCE_LOCK restart_renames_${ZRV_ARCH})
