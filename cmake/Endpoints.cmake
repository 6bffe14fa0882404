# Hosts of the endpoints the program talks to. Operators set their own with
# -DBRIMLET_HELP_HOST=... etc.; the defaults are reserved example domains, so an
# unconfigured build never sends anything to a host this project does not control.
set(BRIMLET_HELP_HOST "http://help.example.invalid" CACHE STRING "Help redirect endpoint (scheme and host)")
set(BRIMLET_DOWNLOAD_HOST "http://download.example.invalid" CACHE STRING "Catalogue and notice download endpoint (scheme and host)")
set(BRIMLET_LOG_HOST "http://log.example.invalid" CACHE STRING "Usage-log endpoint (scheme and host)")
# Public key that downloaded catalogues and notices must be signed with: the uncompressed
# P-256 point as 130 hexadecimal digits (endpoint/publish.sh prints it).
set(BRIMLET_CATALOGUE_PUBLIC_KEY "" CACHE STRING "Catalogue and notice signing key (hex, 04 X Y)")
# A build for local tests only: it accepts unsigned catalogues and notices, and its About
# box says so. Never for users: anyone on the network path could choose their searches.
option(BRIMLET_ALLOW_UNSIGNED_UPDATES "Accept unsigned catalogues and notices (local tests only)" OFF)

# The public half of endpoint/tests/test-signing-key.pem, whose private half is published
# with the sources. Only a build that talks to no real host trusts it, so that its tests
# can sign what their local servers send.
set(BRIMLET_TEST_PUBLIC_KEY
    "046bdda6331f3c5172bdf6bb84053aceffdc977324d5301abfb39bc2c26be6421d8db8187baffe7a01077d4adb670f88bec602c3d5a927354f3076ffa72e8ca7a6")

string(LENGTH "${BRIMLET_CATALOGUE_PUBLIC_KEY}" _brimlet_key_length)
if(NOT _brimlet_key_length EQUAL 0 AND
   (NOT _brimlet_key_length EQUAL 130 OR NOT BRIMLET_CATALOGUE_PUBLIC_KEY MATCHES "^04[0-9a-fA-F]+$"))
  message(FATAL_ERROR "BRIMLET_CATALOGUE_PUBLIC_KEY must be 130 hexadecimal digits starting 04")
endif()

# Whether the build reaches any real host for its downloads.
set(_brimlet_real_hosts OFF)
foreach(_brimlet_host IN ITEMS "${BRIMLET_DOWNLOAD_HOST}" "${BRIMLET_HELP_HOST}")
  if(NOT _brimlet_host MATCHES "^https?://[^/:]*\\.invalid(:[0-9]+)?/?$")
    set(_brimlet_real_hosts ON)
  endif()
endforeach()

string(TOLOWER "${BRIMLET_CATALOGUE_PUBLIC_KEY}" _brimlet_key_lower)
if(_brimlet_real_hosts)
  if(_brimlet_key_lower STREQUAL BRIMLET_TEST_PUBLIC_KEY)
    message(FATAL_ERROR "The test signing key is public: a build for ${BRIMLET_DOWNLOAD_HOST} "
                        "needs the operator's own BRIMLET_CATALOGUE_PUBLIC_KEY")
  endif()
  if(_brimlet_key_length EQUAL 0 AND NOT BRIMLET_ALLOW_UNSIGNED_UPDATES)
    message(FATAL_ERROR "A build for ${BRIMLET_DOWNLOAD_HOST} needs BRIMLET_CATALOGUE_PUBLIC_KEY "
                        "(endpoint/publish.sh prints it); a build for local tests only may be "
                        "configured with -DBRIMLET_ALLOW_UNSIGNED_UPDATES=ON instead")
  endif()
  set(BRIMLET_EFFECTIVE_PUBLIC_KEY "${_brimlet_key_lower}")
elseif(_brimlet_key_length EQUAL 0)
  set(BRIMLET_EFFECTIVE_PUBLIC_KEY "${BRIMLET_TEST_PUBLIC_KEY}")
else()
  set(BRIMLET_EFFECTIVE_PUBLIC_KEY "${_brimlet_key_lower}")
endif()
if(BRIMLET_ALLOW_UNSIGNED_UPDATES)
  set(BRIMLET_UNSIGNED_UPDATES_ALLOWED true)
  message(WARNING "BRIMLET_ALLOW_UNSIGNED_UPDATES: this build accepts unsigned catalogues and "
                  "notices; it is for local tests only")
else()
  set(BRIMLET_UNSIGNED_UPDATES_ALLOWED false)
endif()
