# zrvtool.exe in the win64 sub-build: a console program linked statically, carrying this build's
# x64 programs and the x86 ones of the win32 sub-build beside it (ZRV_X86_BUILD_DIR, which the host
# build builds first). A win64 build on its own (the preset) without them carries the x64 ones
# only, and says so in --version, as a host-only build of the Linux tool does.
set(ZRV_X86_BUILD_DIR ${CMAKE_BINARY_DIR}/../win32 CACHE PATH "the win32 sub-build whose programs zrvtool.exe carries")
target_sources(zrv_toollib PRIVATE EmbeddedPrograms.cpp)
foreach(program SETUP:app/Setup.exe UNINSTALLER:uninstall/Uninstal.exe LAUNCHER:launcher/Launcher.exe)
  string(REPLACE ":" ";" parts ${program})
  list(GET parts 0 what)
  list(GET parts 1 file)
  foreach(arch X86:${ZRV_X86_BUILD_DIR} X64:${CMAKE_BINARY_DIR})
    string(REPLACE ":" ";" arch_parts ${arch})
    list(GET arch_parts 0 ARCH)
    list(GET arch_parts 1 dir)
    get_filename_component(path ${dir}/${file} ABSOLUTE)
    if(ARCH STREQUAL "X86" AND NOT EXISTS ${path})
      continue()
    endif()
    set_property(SOURCE EmbeddedPrograms.cpp APPEND PROPERTY COMPILE_DEFINITIONS ZRV_EMBED_${what}_${ARCH}="${path}")
    set_property(SOURCE EmbeddedPrograms.cpp APPEND PROPERTY OBJECT_DEPENDS ${path})
  endforeach()
endforeach()
add_dependencies(zrv_toollib Setup Uninstal Launcher)

add_executable(zrvtool zrvtool.cpp zrvtool.rc)
set_source_files_properties(zrvtool.rc PROPERTIES OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/zrvtool.manifest)
target_link_libraries(zrvtool PRIVATE zrv_toollib)
target_compile_definitions(zrvtool PRIVATE ZRV_VERSION="v${PROJECT_VERSION}")
# The author's tool is fast where it counts (the compressor keeps -O3) and otherwise small; it
# stands alone: the C and C++ runtimes and the threads are linked in.
target_link_options(zrvtool PRIVATE -static -s)
