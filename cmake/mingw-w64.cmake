# Cross-compiling the Windows build with MinGW-w64. The -posix compilers are the
# ones with std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

get_filename_component(_vup_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(VELMORA_MINGW_DEPS "${_vup_root}/.cache/mingw" CACHE PATH "MinGW builds of the dependencies")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${VELMORA_MINGW_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
