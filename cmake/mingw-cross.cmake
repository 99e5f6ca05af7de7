# Cross build for Windows with mingw-w64 (posix thread model), static runtime. Included by the
# toolchain file of each architecture, which sets CMAKE_SYSTEM_PROCESSOR, ZRV_MINGW_TRIPLET and
# ZRV_WINE_LOADER (the Wine loader that runs its programs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZRV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZRV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZRV_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZRV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZRV_WINE_LOADER})
