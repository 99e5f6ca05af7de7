# Every Windows program we ship, for each architecture built (ZRV_WINDOWS_ARCHES), whether or not
# this host can run it: a GUI program of that architecture importing only the system's own DLLs,
# with a manifest asking for elevation. A new program is one more line here.
# The uninstaller's import table is checked whole (check-imports.sh): of SHELL32 it calls only
# SHGetFolderPathW (the Start menu's folder of its shortcuts) and ShellExecuteExA (started again
# with the administrators' rights), and nothing of OLE32.
set(ZRV_UNINSTALLER_IMPORTS
    "kernel32.dll,user32.dll,gdi32.dll,advapi32.dll,msvcrt.dll,shell32.dll(SHGetFolderPathW+ShellExecuteExA)")
foreach(arch IN LISTS ZRV_WINDOWS_ARCHES)
  set(dir ${ZRV_WINDOWS_BINARY_DIR_${arch}})
  set(programs ${dir}/app/Setup.exe ${dir}/uninstall/Uninstal.exe ${dir}/launcher/Launcher.exe)
  add_test(NAME ${arch}_shipped_programs_import_system_dlls_only
           COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/check-imports.sh ${arch} ${dir}/app/Setup.exe
                   "${dir}/uninstall/Uninstal.exe=${ZRV_UNINSTALLER_IMPORTS}" ${dir}/launcher/Launcher.exe)
  add_test(NAME ${arch}_shipped_programs_ask_for_elevation
           COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/check-manifest.sh ${arch} ${programs})
  set_tests_properties(${arch}_shipped_programs_import_system_dlls_only ${arch}_shipped_programs_ask_for_elevation
                       PROPERTIES LABELS ${arch})
endforeach()
