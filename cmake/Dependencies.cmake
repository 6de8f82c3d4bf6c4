# Third-party libraries: Debian's packages natively, MinGW builds made by
# scripts/setup for Windows. Each becomes one imported target.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  if(NOT EXISTS "${VELMORA_MINGW_DEPS}/lib/libsodium.a")
    message(FATAL_ERROR "libsodium for MinGW is missing in ${VELMORA_MINGW_DEPS}: run scripts/setup")
  endif()
  add_library(velmora_json INTERFACE)
  target_include_directories(velmora_json SYSTEM INTERFACE "${VELMORA_MINGW_DEPS}/include")
  add_library(velmora_sodium STATIC IMPORTED)
  set_target_properties(velmora_sodium PROPERTIES
    IMPORTED_LOCATION "${VELMORA_MINGW_DEPS}/lib/libsodium.a"
    INTERFACE_INCLUDE_DIRECTORIES "${VELMORA_MINGW_DEPS}/include"
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC
    INTERFACE_LINK_LIBRARIES velmora_advapi32)  # its random bytes come from advapi32
else()
  find_path(NLOHMANN_INCLUDE nlohmann/json.hpp REQUIRED)
  add_library(velmora_json INTERFACE)
  target_include_directories(velmora_json SYSTEM INTERFACE "${NLOHMANN_INCLUDE}")
  find_path(SODIUM_INCLUDE sodium.h REQUIRED)
  if(VELMORA_STATIC_SODIUM)
    find_library(SODIUM_STATIC_LIBRARY NAMES libsodium.a REQUIRED)
    set(sodium_location "${SODIUM_STATIC_LIBRARY}")
  else()
    find_library(SODIUM_LIBRARY sodium REQUIRED)
    set(sodium_location "${SODIUM_LIBRARY}")
  endif()
  add_library(velmora_sodium UNKNOWN IMPORTED)
  set_target_properties(velmora_sodium PROPERTIES
    IMPORTED_LOCATION "${sodium_location}"
    INTERFACE_INCLUDE_DIRECTORIES "${SODIUM_INCLUDE}")
  find_package(OpenSSL REQUIRED)
  find_package(CURL REQUIRED)
endif()

if(VELMORA_TESTS)
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    # GoogleTest from Debian's sources, built with the cross compiler.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    add_library(velmora_gtest_main INTERFACE)
    target_link_libraries(velmora_gtest_main INTERFACE gtest gtest_main)
  else()
    find_package(GTest REQUIRED)
    add_library(velmora_gtest_main INTERFACE)
    target_link_libraries(velmora_gtest_main INTERFACE GTest::gtest GTest::gtest_main)
  endif()
endif()
