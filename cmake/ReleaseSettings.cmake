# The update address and the public key a build takes, checked by the rules the
# programs apply when they run (the address as the HTTPS client parses it, the key
# as the manifest check decodes it), so that a wrong one stops the configure instead
# of shipping a launcher that refuses every update. The cross build cannot run a
# program while it configures, hence the rules here in CMake; tools/check_config
# holds the programs' own, and tests/tools/release_settings_test.py keeps the two
# in agreement, sentence for sentence.
#
# As a script it checks one pair and prints each problem on a line of its own:
#   cmake -DVELMORA_UPDATE_URL=URL -DVELMORA_PUBLIC_KEY=KEY -P cmake/ReleaseSettings.cmake
# (exit 0 when both are accepted; an empty key is a problem here, as a release needs one).

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

set(VELMORA_SECRET_KEY_PREFIX "VELMORA-SECRET-KEY-")

# Sets `out` to the sentence saying why `url` is refused, or to "" when it is accepted.
function(velmora_update_url_problem url out)
  set(reason "")
  string(LENGTH "${url}" length)
  string(FIND "${url}" "https://" scheme)
  string(FIND "${url}" "http://" plain)
  if(NOT scheme EQUAL 0)
    if(plain EQUAL 0)
      set(reason "it must begin with https:// (updates never come over plain http)")
    else()
      set(reason "it must begin with https://")
    endif()
  else()
    string(SUBSTRING "${url}" 8 -1 rest)
    string(FIND "${rest}" "/" slash)
    math(EXPR last "${length} - 1")
    string(SUBSTRING "${url}" ${last} 1 final)
    if(rest STREQUAL "" OR slash EQUAL 0)
      set(reason "it names no host")
    elseif(slash EQUAL -1 OR NOT final STREQUAL "/")
      set(reason "it must end with \"/\", as a folder does")
    else()
      string(SUBSTRING "${rest}" 0 ${slash} host)
      string(FIND "${host}" ":" colon)
      if(NOT colon EQUAL -1)
        math(EXPR after "${colon} + 1")
        string(SUBSTRING "${host}" ${after} -1 port)
        string(SUBSTRING "${host}" 0 ${colon} host)
        string(LENGTH "${port}" port_length)
        if(host STREQUAL "")
          set(reason "it names no host before the port")
        elseif(NOT port MATCHES "^[0-9]+$" OR port_length GREATER 5)
          set(reason "the port must be a number from 1 to 65535")
        elseif(port LESS 1 OR port GREATER 65535)
          set(reason "the port must be a number from 1 to 65535")
        endif()
      endif()
      if(reason STREQUAL "" AND NOT host MATCHES "^[A-Za-z0-9.-]+$")
        set(reason "the host name may hold only letters, digits, dots and hyphens (no user name, no [address])")
      endif()
    endif()
  endif()
  if(reason STREQUAL "")
    set(${out} "" PARENT_SCOPE)
  else()
    set(${out} "the update address \"${url}\" is not one the updater accepts: ${reason}. A good one: https://updates.example.com/game/" PARENT_SCOPE)
  endif()
endfunction()

# Sets `out` to the sentence saying why `key` is refused as the public key, or to ""
# when it is accepted: 44 characters of standard Base64 that decode to 32 bytes,
# the canonical encoding only (the last character before the "=" then carries no
# stray bits).
function(velmora_public_key_problem key out)
  string(LENGTH "${key}" length)
  string(FIND "${key}" "${VELMORA_SECRET_KEY_PREFIX}" secret)
  if(key STREQUAL "")
    set(problem "the public key is missing: give the 44 characters that velmora-publish keygen printed (velmora-publish public-key --secret-key FILE prints them again)")
  elseif(NOT secret EQUAL -1)
    set(problem "this is the SECRET key, not the public key: built into a program, anyone could read it out and sign updates that every player accepts. Give the public key, which velmora-publish public-key --secret-key FILE prints")
  elseif(NOT length EQUAL 44 OR NOT key MATCHES "^[A-Za-z0-9+/]+[AEIMQUYcgkosw048]=$")
    set(problem "the public key is malformed: it must be 44 characters of Base64 that decode to 32 bytes, as velmora-publish keygen prints it")
  else()
    set(problem "")
  endif()
  set(${out} "${problem}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  velmora_update_url_problem("${VELMORA_UPDATE_URL}" url_problem)
  velmora_public_key_problem("${VELMORA_PUBLIC_KEY}" key_problem)
  foreach(problem url_problem key_problem)
    if(NOT ${problem} STREQUAL "")
      message(NOTICE "${${problem}}")
    endif()
  endforeach()
  if(NOT url_problem STREQUAL "" OR NOT key_problem STREQUAL "")
    message(FATAL_ERROR "refused")
  endif()
endif()
