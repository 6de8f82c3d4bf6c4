# Windows DLLs that the programs load only after their first line has restricted the
# DLL search to the system folder (SetDefaultDllDirectories): a DLL that the import
# table names is loaded before that line runs, from the program's own folder first
# unless it is a KnownDLL, and a web page can drop one into a Downloads folder.
# So the import tables name only kernel32.dll and msvcrt.dll, and every other DLL is
# delay-loaded. That includes the KnownDLLs user32, shell32, ole32 and advapi32:
# loaded at start, they bring in DLLs of their own, which Wine (no KnownDLLs) looks
# for in the program's folder too.
#
# velmora_system_dll(NAME) makes the target velmora_NAME, which links NAME.dll
# delay-loaded. With MinGW the delay-import library is made from MinGW's import
# library when configuring; MSVC has /DELAYLOAD.
function(velmora_system_dll name)
  set(target velmora_${name})
  add_library(${target} INTERFACE)
  if(MSVC)
    target_link_libraries(${target} INTERFACE ${name} delayimp)
    target_link_options(${target} INTERFACE /DELAYLOAD:${name}.dll)
    return()
  endif()
  if(NOT CMAKE_NM OR NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "the MinGW nm and dlltool are needed to delay-load ${name}.dll")
  endif()
  find_library(VELMORA_IMPORT_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
  set(import ${VELMORA_IMPORT_${name}})
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import}
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_NM} could not read ${import}")
  endif()
  string(REGEX MATCHALL " I __imp_[A-Za-z0-9_]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE " I __imp_" "")
  list(REMOVE_DUPLICATES imports)
  list(SORT imports)
  list(JOIN imports "\n" exports)
  set(folder ${PROJECT_BINARY_DIR}/delay-import)
  set(def ${folder}/${name}.def)
  set(library ${folder}/lib${name}-delay.a)
  file(CONFIGURE OUTPUT ${def} CONTENT "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n" @ONLY)
  if(NOT EXISTS ${library} OR ${def} IS_NEWER_THAN ${library})
    execute_process(COMMAND ${CMAKE_DLLTOOL} --deterministic-libraries --input-def ${def} --dllname ${name}.dll
                            --output-delaylib ${library}
                    RESULT_VARIABLE failed)
    if(failed)
      file(REMOVE ${library})
      message(FATAL_ERROR "${CMAKE_DLLTOOL} could not make the delay-import library for ${name}.dll")
    endif()
  endif()
  target_link_libraries(${target} INTERFACE ${library})
endfunction()

# The import check: the program's import table may name only these DLLs. Both are
# KnownDLLs on every Windows 10, and the program cannot run a line without them.
set(VELMORA_ALLOWED_IMPORTS kernel32.dll msvcrt.dll)

# velmora_check_imports(TARGET): fails the build of TARGET when its import table names
# a DLL that VELMORA_ALLOWED_IMPORTS does not list (cmake/check-imports, which also
# takes any exe and list by hand).
function(velmora_check_imports target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/check-imports $<TARGET_FILE:${target}>
            ${VELMORA_ALLOWED_IMPORTS}
    VERBATIM)
endfunction()

if(WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(dll advapi32 bcrypt d2d1 dwrite ole32 shell32 user32 windowscodecs winhttp)
    velmora_system_dll(${dll})
  endforeach()
endif()
