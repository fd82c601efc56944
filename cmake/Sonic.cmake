# The speech time-stretching library, built as a static library from the
# distribution's source package (Apache 2.0, so it may be linked in). The
# finished build is cached per machine beside the MP3 encoder's and copied
# into <build>/sonic.
#
# Gives:
#   target sonic   imported static library with its include folder
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Lame.cmake)  # for VOCORDER_LAME_CACHE

set(VOCORDER_SONIC_VERSION 0.2.0)
set(_sonic_out ${CMAKE_BINARY_DIR}/sonic)
set(_sonic_script ${PROJECT_SOURCE_DIR}/player/sonic/build-sonic.sh)
file(MAKE_DIRECTORY ${_sonic_out}/include)

add_custom_command(
  OUTPUT ${_sonic_out}/libsonic.a ${_sonic_out}/include/sonic.h ${_sonic_out}/SONIC-COPYING.txt
  COMMAND ${_sonic_script} ${_sonic_out} ${VOCORDER_LAME_CACHE} ${VOCORDER_SONIC_VERSION} ${VOCORDER_HOST}
  DEPENDS ${_sonic_script}
  COMMENT "Sonic ${VOCORDER_SONIC_VERSION} from the distribution's source package"
  VERBATIM)
add_custom_target(sonic_build DEPENDS ${_sonic_out}/libsonic.a ${_sonic_out}/include/sonic.h)

set(VOCORDER_SONIC_LICENCE ${_sonic_out}/SONIC-COPYING.txt CACHE INTERNAL "Sonic's licence, shipped with the program")

add_library(sonic STATIC IMPORTED GLOBAL)
set_target_properties(sonic PROPERTIES
  IMPORTED_LOCATION ${_sonic_out}/libsonic.a
  INTERFACE_INCLUDE_DIRECTORIES ${_sonic_out}/include)
add_dependencies(sonic sonic_build)
