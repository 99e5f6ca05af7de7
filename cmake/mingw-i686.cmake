# Cross build for 32-bit Windows (x86, the default product) with mingw-w64 i686.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZRV_MINGW_TRIPLET i686-w64-mingw32)
set(ZRV_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
