# zrv_add_gtest(NAME SOURCES... LIBS...): a GoogleTest program registered with CTest.
# On the host it runs directly; on Win32 it is only built here, and the host build registers it
# to run under Wine (tests/win32/WineTests.cmake).
function(zrv_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(NOT ZRV_WIN32)
    add_test(NAME ${name} COMMAND ${name})
  else()
    # The code under test runs with the code page that the shipped programs ask for.
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/win32/TestManifest.rc)
  endif()
endfunction()
