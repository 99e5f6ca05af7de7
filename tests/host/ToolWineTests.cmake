# zrvtool.exe under Wine (x64): the tool's command-line tables of tests/host, run against it
# (zrv_add_tool_wine_test there). Included by the host build once, after the x64 prefix's fixture.
set(ZRV_TOOL_EXE ${ZRV_WINDOWS_BINARY_DIR_x64}/tools/zrvtool.exe)
set(ZRV_TOOL_WINE_ENV "ZRVTOOL_EXE=${ZRV_TOOL_EXE};WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-x64")
foreach(t codec_cli ini_check_cli medium_cli code_page_cli bundle_cli)
  add_test(NAME x64_${t}_wine_tests COMMAND ${t}_wine_tests)
  set_tests_properties(x64_${t}_wine_tests PROPERTIES FIXTURES_REQUIRED wine_x64 LABELS x64
                       ENVIRONMENT "${ZRV_TOOL_WINE_ENV}")
endforeach()
# The same input through both tools gives the same bytes; the Windows tool's medium installs.
add_test(NAME x64_tool_same_bytes
         COMMAND ${CMAKE_SOURCE_DIR}/tests/host/tool-differential.sh $<TARGET_FILE:zrvtool> ${ZRV_TOOL_EXE}
                 ${CMAKE_BINARY_DIR}/tool-same-bytes)
set_tests_properties(x64_tool_same_bytes PROPERTIES FIXTURES_REQUIRED wine_x64 LABELS x64
                     ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-x64")
# --sign as Windows runs it: a quoted program path with spaces, names with cmd.exe's separators.
add_test(NAME x64_tool_signing COMMAND ${CMAKE_SOURCE_DIR}/tests/host/tool-signing.sh ${ZRV_TOOL_EXE}
                                       ${CMAKE_BINARY_DIR}/tool-signing)
set_tests_properties(x64_tool_signing PROPERTIES FIXTURES_REQUIRED wine_x64 LABELS x64
                     ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix-x64")
