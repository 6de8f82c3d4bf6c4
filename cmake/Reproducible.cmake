# What would make two builds of the same sources differ, left out: the folders they
# were built in (in debug information and in the __FILE__ of asserts), the link time
# that the PE header records, and the member times of static libraries. The Windows
# programs' resource script names its inputs by absolute path, but the resource
# compiler copies only their contents. Debian's ar already writes zero times and
# GCC records no time; ELF build ids are hashes of the rest.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# The build folder is often inside the source folder: its rule comes last and wins.
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")

if(MINGW)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
