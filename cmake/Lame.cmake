# The MP3 encoder library (LAME), built as a DLL from the distribution's source
# package so that it is linked dynamically. The finished build is cached per
# machine in VOCORDER_LAME_CACHE and copied into <build>/lame.
#
# Gives:
#   target lame_dll              builds or copies the DLL and its header
#   VOCORDER_LAME_DLL            <build>/lame/libmp3lame-0.dll
#   VOCORDER_LAME_INCLUDE        folder holding lame/lame.h
#   vocorder_copy_lame_dll(tgt)  puts the DLL beside an executable target
include_guard(GLOBAL)

set(VOCORDER_LAME_VERSION 3.100)
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(_lame_cache_default "$ENV{XDG_CACHE_HOME}/vocorder")
elseif(DEFINED ENV{HOME} AND NOT "$ENV{HOME}" STREQUAL "")
  set(_lame_cache_default "$ENV{HOME}/.cache/vocorder")
else()
  set(_lame_cache_default "${CMAKE_BINARY_DIR}/lame-cache")
endif()
set(VOCORDER_LAME_CACHE "${_lame_cache_default}" CACHE PATH
    "Folder that keeps the LAME build between build folders")

set(_lame_out ${CMAKE_BINARY_DIR}/lame)
set(_lame_script ${PROJECT_SOURCE_DIR}/codec/lame/build-lame.sh)
set(VOCORDER_LAME_DLL ${_lame_out}/libmp3lame-0.dll CACHE INTERNAL "")
set(VOCORDER_LAME_INCLUDE ${_lame_out}/include CACHE INTERNAL "")

add_custom_command(
  OUTPUT ${_lame_out}/libmp3lame-0.dll ${_lame_out}/include/lame/lame.h
  COMMAND ${_lame_script} ${_lame_out} ${VOCORDER_LAME_CACHE} ${VOCORDER_LAME_VERSION} ${VOCORDER_HOST}
  DEPENDS ${_lame_script}
  COMMENT "LAME ${VOCORDER_LAME_VERSION} DLL from the distribution's source package"
  VERBATIM)
add_custom_target(lame_dll DEPENDS ${_lame_out}/libmp3lame-0.dll ${_lame_out}/include/lame/lame.h)

# vocorder_copy_lame_dll(<target>)
#   Copies the LAME DLL beside <target>'s binary after each link: the codec
#   loads it from the folder of the module that holds the codec.
function(vocorder_copy_lame_dll target)
  add_dependencies(${target} lame_dll)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VOCORDER_LAME_DLL} $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
