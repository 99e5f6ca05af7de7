# The tool as it is shipped: its CMake package, the CPack generator, the Debian package and the
# ZIP of zrvtool.exe.
# Included by the host build when it also builds the Windows side, whose programs the tool carries.
foreach(c find settings deb zip)
  add_test(NAME package_${c} COMMAND ${CMAKE_SOURCE_DIR}/tests/package/package-tests.sh ${c})
  set_tests_properties(package_${c} PROPERTIES TIMEOUT 300 ENVIRONMENT "ZRV_HOST_BIN=${CMAKE_BINARY_DIR}")
endforeach()
