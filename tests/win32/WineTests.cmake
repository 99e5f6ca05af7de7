# Runs the Windows test programs built by the win32 sub-build under Wine, in a private prefix
# inside the build folder. Each entry is a program name from tests/win32/CMakeLists.txt.
set(ZRV_WINE_TESTS
  win32_framework_tests
  win32_archive_tests
  win32_app_tests
  win32_registry_tests
  win32_install_tests
  win32_uninstall_tests
  win32_safestart_tests
  win32_handle_tests
)
set(ZRV_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
add_test(NAME wine_prefix COMMAND ${ZRV_WINE_RUN} --prefix-only)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
foreach(t IN LISTS ZRV_WINE_TESTS)
  add_test(NAME ${t} COMMAND ${ZRV_WINE_RUN} ${ZRV_WIN32_BINARY_DIR}/tests/win32/${t}.exe)
  set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endforeach()
set_tests_properties(wine_prefix PROPERTIES ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
# Under Wine an access list is kept as Unix permissions: with umask 000 a file made without a list
# of its own grants everyone write, so the access-list tests can fail.
# Files are made by the wineserver: one started earlier under another umask must end first.
add_test(NAME win32_security_tests COMMAND sh -c "umask 000; wineserver -w; exec \"$0\" \"$1\""
         ${ZRV_WINE_RUN} ${ZRV_WIN32_BINARY_DIR}/tests/win32/win32_security_tests.exe)
set_tests_properties(win32_security_tests PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
# Windows test programs that open windows run under a virtual X server.
set(ZRV_WINE_X_TESTS
  win32_window_tests
  win32_chooser_tests
  win32_ui_tests
)
foreach(t IN LISTS ZRV_WINE_X_TESTS)
  # A wineserver still up from a program run without X has a desktop without a display, on which
  # no window can be made: let it end first.
  add_test(NAME ${t} COMMAND sh -c "wineserver -w; exec \"$0\" --x \"$1\""
           ${ZRV_WINE_RUN} ${ZRV_WIN32_BINARY_DIR}/tests/win32/${t}.exe)
  set_tests_properties(${t} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endforeach()
# The worker's tests read the disk images that the host's make_install_images writes first.
set_tests_properties(win32_install_tests PROPERTIES FIXTURES_REQUIRED "wine;install_images"
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;ZRV_INSTALL_IMAGES=${CMAKE_BINARY_DIR}/install-images")
