# Cross build for 64-bit Windows (x64) with mingw-w64 x86_64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZRV_MINGW_TRIPLET x86_64-w64-mingw32)
set(ZRV_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
