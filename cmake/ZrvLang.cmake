# The language tables of lang/: the built-in English table of the framework, and the ZRVLANG
# resource (every table, English first) that Setup.exe, Uninstal.exe and the launcher carry.
# Included by framework/CMakeLists.txt; sets ZRV_LANG_RC, the resource script to add to a program.
set(ZRV_LANG_DIR ${CMAKE_SOURCE_DIR}/lang)
# Globbed with CONFIGURE_DEPENDS: a table added to lang/ is found by the next build.
file(GLOB ZRV_LANG_FILES CONFIGURE_DEPENDS ${ZRV_LANG_DIR}/*.lang)
set(ZRV_LANG_OUT ${CMAKE_BINARY_DIR}/lang)
file(MAKE_DIRECTORY ${ZRV_LANG_OUT})

add_custom_command(OUTPUT ${ZRV_LANG_OUT}/EnglishTable.cpp
  COMMAND ${CMAKE_COMMAND} -DMODE=english -DIN=${ZRV_LANG_DIR}/en.lang -DOUT=${ZRV_LANG_OUT}/EnglishTable.cpp
          -P ${CMAKE_SOURCE_DIR}/cmake/ZrvLangGen.cmake
  DEPENDS ${ZRV_LANG_DIR}/en.lang ${CMAKE_SOURCE_DIR}/cmake/ZrvLangGen.cmake
  COMMENT "Built-in English table from lang/en.lang")

add_custom_command(OUTPUT ${ZRV_LANG_OUT}/zrvlang.txt
  COMMAND ${CMAKE_COMMAND} -DMODE=tables -DDIR=${ZRV_LANG_DIR} -DOUT=${ZRV_LANG_OUT}/zrvlang.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/ZrvLangGen.cmake
  DEPENDS ${ZRV_LANG_FILES} ${CMAKE_SOURCE_DIR}/cmake/ZrvLangGen.cmake
  COMMENT "Language tables for the ZRVLANG resource")
add_custom_target(zrv_lang_tables DEPENDS ${ZRV_LANG_OUT}/zrvlang.txt)

if(ZRV_WIN32)
  file(WRITE ${ZRV_LANG_OUT}/ZrvLang.rc.new
       "// Made by the build: the language tables of lang/, one after another.\nZRVLANG RCDATA \"${ZRV_LANG_OUT}/zrvlang.txt\"\n")
  file(COPY_FILE ${ZRV_LANG_OUT}/ZrvLang.rc.new ${ZRV_LANG_OUT}/ZrvLang.rc ONLY_IF_DIFFERENT)
  set(ZRV_LANG_RC ${ZRV_LANG_OUT}/ZrvLang.rc CACHE INTERNAL "the ZRVLANG resource script")
endif()

# Adds the ZRVLANG resource to a Windows program.
function(zrv_add_lang_resource target)
  target_sources(${target} PRIVATE ${ZRV_LANG_RC})
  # Directory-scoped: set where the program is made, so a changed table rebuilds its resources.
  set_source_files_properties(${ZRV_LANG_RC} PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/lang/zrvlang.txt)
  add_dependencies(${target} zrv_lang_tables)
endfunction()
