# The generated header that carries the build-time configuration.
function(velmora_configure_header)
  foreach(var VELMORA_UPDATE_URL VELMORA_PUBLIC_KEY)
    string(REPLACE "\\" "\\\\" escaped "${${var}}")
    string(REPLACE "\"" "\\\"" escaped "${escaped}")
    set(${var}_ESCAPED "${escaped}")
  endforeach()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/build_config.h.in
                 ${PROJECT_BINARY_DIR}/generated/build_config.h @ONLY)
  add_library(vup_config INTERFACE)
  target_include_directories(vup_config INTERFACE ${PROJECT_BINARY_DIR}/generated)
endfunction()

# One static library per subsystem. PLATFORM names list operations whose halves
# live beside their header as NAME_win.cpp and NAME_posix.cpp; one is picked here.
function(velmora_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;PLATFORM;DEPS" ${ARGN})
  set(sources ${ARG_SOURCES})
  foreach(name ${ARG_PLATFORM})
    if(WIN32)
      list(APPEND sources ${name}_win.cpp)
    else()
      list(APPEND sources ${name}_posix.cpp)
    endif()
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# A GoogleTest executable registered as one test (one Wine start per executable).
function(velmora_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} velmora_gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# A GoogleTest executable that needs the HTTPS test servers: ctest runs it through
# tests/servers/with-servers, which starts them and names them in the environment.
# The Windows build runs it under the emulator, after the trust helper has added the
# test CA to the Wine prefix (the emulator's last argument) and removes it after.
function(velmora_server_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} velmora_gtest_main)
  set(wrapper ${PROJECT_SOURCE_DIR}/tests/servers/with-servers)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(GET CMAKE_CROSSCOMPILING_EMULATOR -1 wine_prefix)
    add_test(NAME ${name} COMMAND ${wrapper} --wine-prefix ${wine_prefix}
             --trust-helper $<TARGET_FILE:vup_trust_test_ca> -- ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${wrapper} -- $<TARGET_FILE:${name}>)
  endif()
endfunction()

# A Windows program with the program's resources (icon, manifest, version, fonts, art)
# compiled in, whose import table names only the DLLs that cannot be planted beside it.
function(velmora_windows_program target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${target} WIN32 ${ARG_SOURCES} ${VELMORA_RESOURCE_SCRIPT})
  set_source_files_properties(${VELMORA_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${VELMORA_RESOURCE_FILES}")
  target_link_libraries(${target} PRIVATE ${ARG_DEPS})
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
  velmora_check_imports(${target})
endfunction()
