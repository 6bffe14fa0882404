# Checks BrimletHook.dll as shipped, with objdump -p and -h: the host binds the exports by
# these exact names; the module is mapped into every program that takes keyboard input, so
# it may import only what every GUI process has loaded already, must have no TLS (whose
# callbacks would run in all of them) and must stay small.
#   cmake -DOBJDUMP=... -DDLL=... -P check_module.cmake
set(max_bytes 65536)
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
execute_process(COMMAND ${OBJDUMP} -h ${DLL} OUTPUT_VARIABLE sections RESULT_VARIABLE rc_h)
if(NOT rc EQUAL 0 OR NOT rc_h EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
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
if(NOT imports)
  message(FATAL_ERROR "no import table found: objdump's output was not understood")
endif()
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" lower)
  if(NOT lower MATCHES "^dll name: (kernel32|user32|advapi32|msvcrt|ucrtbase)\\.dll$")
    message(FATAL_ERROR "the module imports ${import}: only kernel32, user32, advapi32 and the "
                        "C runtime DLL are loaded in every GUI process")
  endif()
endforeach()

if(NOT dump MATCHES "Entry 9 0+ 0+ Thread Storage Directory")
  string(REGEX MATCH "Entry 9 [^\n]+" tls "${dump}")
  message(FATAL_ERROR "the module has a TLS directory: ${tls}")
endif()
if(sections MATCHES "[ \t]\\.tls[ \t]")
  message(FATAL_ERROR "the module has a .tls section")
endif()

file(SIZE ${DLL} size)
if(size GREATER max_bytes)
  message(FATAL_ERROR "the module is ${size} bytes, more than ${max_bytes}")
endif()
message(STATUS "exports: ${entries}; ${imports}; ${size} bytes")
