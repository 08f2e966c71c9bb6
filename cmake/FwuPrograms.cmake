option(FWU_WERROR "Treat compiler warnings in the tool set's own code as errors (CI turns this on)" OFF)

# fwu_warnings(<target>...)
#
# The warning set of the tool set's own code, in both trees: every library,
# program and test helper built from this repository. FWU_WERROR makes each
# warning an error.
function(fwu_warnings)
  foreach(target ${ARGN})
    if(MSVC)
      target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${FWU_WERROR}>:/WX>)
    else()
      # Compilers only, not the resource compiler; -Wpedantic keeps out the
      # language extensions another compiler would refuse.
      set(flags -Wall -Wextra -Wpedantic -Wformat=2 -Wimplicit-fallthrough -Wcast-qual)
      set(cxx_flags -Wnon-virtual-dtor -Woverloaded-virtual -Wextra-semi)
      if(FWU_WERROR)
        list(APPEND flags -Werror)
      endif()
      target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:C,CXX>:${flags}>"
        "$<$<COMPILE_LANGUAGE:CXX>:${cxx_flags}>")
    endif()
  endforeach()
endfunction()

# fwu_windows_link(<target> [CONSOLE] [NOSTRIP] [NARROW_MAIN])
#
# Link settings of every Windows executable of the tree: Unicode entry point
# (wWinMain or wmain; main with NARROW_MAIN), a self-contained static
# executable, symbols stripped unless NOSTRIP, and the GUI subsystem unless
# CONSOLE is given. With MSVC the entry point follows from the subsystem and
# the function defined; the runtime is linked statically.
function(fwu_windows_link name)
  cmake_parse_arguments(L "CONSOLE;NOSTRIP;NARROW_MAIN" "" "" ${ARGN})
  if(MSVC)
    set_property(TARGET ${name} PROPERTY MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
    return()
  endif()
  if(NOT L_NARROW_MAIN)
    target_link_options(${name} PRIVATE -municode)
  endif()
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  if(NOT L_NOSTRIP)
    target_link_options(${name} PRIVATE -s)
  endif()
  if(NOT L_CONSOLE)
    target_link_options(${name} PRIVATE -mwindows)
  endif()
endfunction()

# fwu_resource_script(<script> [<include dir>...])
#
# A program's resource script: it finds the common version block and manifest
# (common/res) and the given folders. The resource compiler's includes are not
# scanned for dependencies, so they are named here; otherwise a new project
# version would leave the old version resource in an incremental build, and in
# the release zip made from it.
function(fwu_resource_script script)
  set_property(SOURCE ${script} APPEND PROPERTY INCLUDE_DIRECTORIES
    ${PROJECT_SOURCE_DIR}/common/res ${ARGN})
  get_filename_component(script_dir ${script} DIRECTORY)
  file(GLOB own_manifests ${CMAKE_CURRENT_SOURCE_DIR}/${script_dir}/*.manifest)
  set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS
    ${PROJECT_BINARY_DIR}/generated/fwu_version.h
    ${PROJECT_SOURCE_DIR}/common/res/version.rc.h
    ${PROJECT_SOURCE_DIR}/common/res/version.rcinc
    ${PROJECT_SOURCE_DIR}/common/res/asInvoker.manifest
    ${own_manifests})
endfunction()

# fwu_add_program(<name> SOURCES <src>... RC <script> [LIBS <lib>...] [CONSOLE])
#
# Declares one Windows program of the tool set: Unicode entry point (wWinMain
# or wmain), GUI subsystem unless CONSOLE is given, static runtime, the common
# library, the project's warnings, and the program's resource script
# (manifest and version information). Does nothing outside a Windows build.
function(fwu_add_program name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(P "CONSOLE" "RC" "SOURCES;LIBS" ${ARGN})
  if(P_CONSOLE)
    add_executable(${name} ${P_SOURCES} ${P_RC})
    fwu_windows_link(${name} CONSOLE)
  else()
    add_executable(${name} WIN32 ${P_SOURCES} ${P_RC})
    fwu_windows_link(${name})
  endif()
  target_link_libraries(${name} PRIVATE ${P_LIBS} common_win32)
  fwu_warnings(${name})
  if(P_RC)
    fwu_resource_script(${P_RC} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
endfunction()
