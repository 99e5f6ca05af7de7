# Run as a script at build time (cmake -P) by ZrvLang.cmake:
#   MODE=english IN=lang/en.lang OUT=...cpp   the built-in English table as a C++ array
#   MODE=tables DIR=lang OUT=...txt           every lang/*.lang, English first, one after another:
#                                             the data of the programs' ZRVLANG resource
# Without a compiler, a new file in lang/ reaches the programs at the next build.

# The text of a table, without a byte-order mark, ending in a line end.
function(zrv_read_table path out)
  file(READ ${path} head LIMIT 3 HEX)
  if(head STREQUAL "efbbbf")
    file(READ ${path} text OFFSET 3)
  else()
    file(READ ${path} text)
  endif()
  if(NOT text MATCHES "\n$")
    string(APPEND text "\n")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(zrv_write_if_changed path text)
  file(WRITE ${path}.new "${text}")
  file(COPY_FILE ${path}.new ${path} ONLY_IF_DIFFERENT)
  file(REMOVE ${path}.new)
endfunction()

if(MODE STREQUAL "english")
  zrv_read_table(${IN} text)
  if(text MATCHES "\\)zrvlang\"")
    message(FATAL_ERROR "${IN}: the text )zrvlang\" cannot stand in a table")
  endif()
  zrv_write_if_changed(${OUT} "// Made by the build from lang/en.lang: do not edit.\n#include \"AfxText.h\"\n\nextern const char kAfxEnglishTable[] = R\"zrvlang(${text})zrvlang\";\nextern const unsigned kAfxEnglishTableSize = sizeof kAfxEnglishTable - 1;\n")
elseif(MODE STREQUAL "tables")
  file(GLOB files ${DIR}/*.lang)
  list(SORT files)
  set(all "")
  if(EXISTS ${DIR}/en.lang)
    zrv_read_table(${DIR}/en.lang text)
    string(APPEND all "${text}")
    list(REMOVE_ITEM files ${DIR}/en.lang)
  endif()
  foreach(f IN LISTS files)
    zrv_read_table(${f} text)
    string(APPEND all "${text}")
  endforeach()
  zrv_write_if_changed(${OUT} "${all}")
else()
  message(FATAL_ERROR "ZrvLangGen.cmake: MODE=english or MODE=tables")
endif()
