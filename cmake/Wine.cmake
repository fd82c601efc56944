# ctest starts every Windows test program through this wrapper.
# The Wine that runs the build's programs: 32-bit for the i686 build, 64-bit
# (wine64) for the x86_64 build.
if(VOCORDER_ARCH STREQUAL "x86_64")
  set(VOCORDER_WINE_LOADER /usr/lib/wine/wine64)
  set(VOCORDER_WINESERVER /usr/lib/wine/wineserver64)
  set(VOCORDER_WINEARCH win64)
else()
  set(VOCORDER_WINE_LOADER /usr/lib/wine/wine)
  set(VOCORDER_WINESERVER /usr/lib/wine/wineserver32)
  set(VOCORDER_WINEARCH win32)
endif()
if(NOT EXISTS ${VOCORDER_WINESERVER})
  set(VOCORDER_WINESERVER wineserver)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
set(VOCORDER_WINE ${CMAKE_BINARY_DIR}/wine-run.sh)
