# Writes the manual page zrvtool(1) from the tool's own usage text, so the page says what the
# tool does: cmake -DZRVTOOL=path/to/zrvtool -DOUT=zrvtool.1 -P ManPage.cmake
# The usage text has one entry per command: "  zrvtool SYNOPSIS", the synopsis going on in lines
# indented by 7 blanks and the description in lines indented by 28 (or on the first line).
cmake_minimum_required(VERSION 3.19)

execute_process(COMMAND "${ZRVTOOL}" --help OUTPUT_VARIABLE usage RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT usage MATCHES "^usage:\n")
  message(FATAL_ERROR "'${ZRVTOOL} --help' gave no usage text")
endif()
execute_process(COMMAND "${ZRVTOOL}" --version OUTPUT_VARIABLE version RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT version MATCHES "^zrvtool ([^\n]+)")
  message(FATAL_ERROR "'${ZRVTOOL} --version' gave no version")
endif()
set(tool_version "${CMAKE_MATCH_1}")

# Text as roff prints it: backslashes and minus signs literal, no line taken for a request.
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(commands "")
set(synopsis "")
set(description "")
# Ends the entry in hand: its synopsis in bold as the tag, its description as the paragraph.
macro(flush_entry)
  if(NOT synopsis STREQUAL "")
    roff_text("${synopsis}" s)
    string(STRIP "${description}" d)
    roff_text("${d}" d)
    string(APPEND commands ".TP\n.B ${s}\n${d}\n")
  endif()
  set(synopsis "")
  set(description "")
endmacro()

string(REGEX REPLACE "^usage:\n" "" usage "${usage}")
while(NOT usage STREQUAL "")
  string(FIND "${usage}" "\n" end)
  if(end EQUAL -1)
    set(line "${usage}")
    set(usage "")
  else()
    string(SUBSTRING "${usage}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${usage}" ${end} -1 usage)
  endif()
  if(line MATCHES "^  (zrvtool .*)$")
    set(next "${CMAKE_MATCH_1}")
    flush_entry()
    set(synopsis "${next}")
    # A short synopsis has its description beside it, 36 characters into the line ("  zrvtool "
    # and a 26-character field); a description begins with a word, a synopsis goes on with an
    # option or a placeholder.
    if(synopsis MATCHES "^(zrvtool .........................) ([a-z].*)$")
      string(STRIP "${CMAKE_MATCH_1}" synopsis)
      set(description "${CMAKE_MATCH_2}")
    endif()
  elseif(line MATCHES "^                            (.*)$")
    string(APPEND description " ${CMAKE_MATCH_1}")
  elseif(line MATCHES "^       (.*)$")
    string(APPEND synopsis " ${CMAKE_MATCH_1}")
  elseif(NOT line STREQUAL "")
    message(FATAL_ERROR "ManPage.cmake: a usage line it cannot place: '${line}'")
  endif()
endwhile()
flush_entry()
if(commands STREQUAL "")
  message(FATAL_ERROR "ManPage.cmake: no command in the usage text")
endif()

roff_text("${tool_version}" v)
file(WRITE "${OUT}" ".TH ZRVTOOL 1 \"\" \"zrvtool ${v}\" \"User Commands\"
.SH NAME
zrvtool \\- make and read installation media of the Zorvan Installation System
.SH SYNOPSIS
.B zrvtool
.I command
.RI [ arguments ]
.br
.B zrvtool \\-\\-version
.br
.B zrvtool
.RI [ command ]
.B \\-\\-help
.SH DESCRIPTION
.B zrvtool
is the author's tool of the Zorvan Installation System. It makes the installation medium of a
product for 32\\-bit Windows (Setup.exe, the stored Setup.ini and the image volumes), checks a
Setup.ini as the installer reads it, and writes and reads ZRV\\-Zip images. It carries the
installer and the uninstaller inside itself.
.PP
Installed with its CMake package,
.B find_package(zrvtool)
gives the imported executable
.B zrvtool::zrvtool
and the CPack generator module
.BR ZrvCPack .
.SH COMMANDS
${commands}.TP
.B zrvtool \\-\\-version
the tool's version; the version, size and CRC of each program it carries
.SH EXIT STATUS
0 on success; 1 when a command fails, with one line on standard error naming the file and what is
wrong; 2 when no command or an unknown one is given; 128 and the signal's number when it is
interrupted (130 for Ctrl\\-C), leaving nothing half written.
.SH EXAMPLES
Check a Setup.ini written as plain text, its shortcuts' targets looked for in the product's tree:
.PP
.RS
.nf
zrvtool ini check Setup.ini.txt \\-\\-tree product/ \\-\\-strict
.fi
.RE
.PP
Make the medium of the tree product/ in media/, and the same as one signed program to download:
.PP
.RS
.nf
zrvtool medium Setup.ini.txt product/ media/
zrvtool bundle media/ demo\\-setup.exe \\-\\-sign 'osslsigncode sign \\-pkcs12 key.pfx \\-in {in} \\-out {out}'
.fi
.RE
.PP
A product whose names or texts need characters that Windows\-1252 lacks gets a UTF\-8 medium by
itself (CodePage=65001, said in a note); its own German texts go into every program it ships, and
the image of a UTF\-8 medium is listed with its code page:
.PP
.RS
.nf
zrvtool medium Setup.ini.txt product/ media/ \-\-language de.lang
zrvtool list media/demo.001 \-\-code\-page utf\-8
.fi
.RE
.PP
Check a medium's image, or the image that a bundle carries, and list what it installs:
.PP
.RS
.nf
zrvtool verify media/demo.001
zrvtool verify demo\\-setup.exe
zrvtool list demo\\-setup.exe
.fi
.RE
.SH SEE ALSO
.BR cpack (1):
with the CMake package,
.B include(ZrvCPack)
makes the medium from a product's install() rules.
")
