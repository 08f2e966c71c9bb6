# fwu_add_program(<name> SOURCES <src>... RC <script> [LIBS <lib>...] [CONSOLE])
#
# Declares one Windows program of the tool set: Unicode entry point (wWinMain
# or wmain), GUI subsystem unless CONSOLE is given, static runtime, the common
# library, and the program's resource script (manifest and version information).
# Does nothing outside a Windows build.
function(fwu_add_program name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(P "CONSOLE" "RC" "SOURCES;LIBS" ${ARGN})
  if(P_CONSOLE)
    add_executable(${name} ${P_SOURCES} ${P_RC})
  else()
    add_executable(${name} WIN32 ${P_SOURCES} ${P_RC})
  endif()
  target_link_libraries(${name} PRIVATE ${P_LIBS} common_win32)
  target_link_options(${name} PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
  if(NOT P_CONSOLE)
    target_link_options(${name} PRIVATE -mwindows)
  endif()
  if(P_RC)
    set_property(SOURCE ${P_RC} APPEND PROPERTY INCLUDE_DIRECTORIES
      ${PROJECT_SOURCE_DIR}/common/res ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
endfunction()

# Common warning set for product code in both trees.
function(fwu_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
