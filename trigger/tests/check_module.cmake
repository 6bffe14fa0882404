# Checks BrimletHook.dll's export table and imports with objdump -p: the host binds the
# exports by these exact names, and the module is loaded into other programs, so it must
# not need any runtime DLL beside it.
#   cmake -DOBJDUMP=... -DDLL=... -P check_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${DLL}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" lines "${table}")
set(entries "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND entries "${name}")
endforeach()
list(SORT entries)
set(expected Configure ExecuteCommand KeyboardProc OnStart)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "exports are '${entries}', expected '${expected}'")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" lower)
  if(lower MATCHES "libstdc|libgcc|libwinpthread|msvcp|vcruntime")
    message(FATAL_ERROR "the module needs a runtime DLL: ${import}")
  endif()
endforeach()
message(STATUS "exports: ${entries}")
