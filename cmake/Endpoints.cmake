# Hosts of the endpoints the program talks to. Operators set their own with
# -DBRIMLET_HELP_HOST=... etc.; the defaults are reserved example domains, so an
# unconfigured build never sends anything to a host this project does not control.
set(BRIMLET_HELP_HOST "http://help.example.invalid" CACHE STRING "Help redirect endpoint (scheme and host)")
set(BRIMLET_DOWNLOAD_HOST "http://download.example.invalid" CACHE STRING "Catalogue and notice download endpoint (scheme and host)")
set(BRIMLET_LOG_HOST "http://log.example.invalid" CACHE STRING "Usage-log endpoint (scheme and host)")
# Public key that downloaded catalogues must be signed with: the uncompressed P-256 point
# as 130 hexadecimal digits (endpoint/publish.sh prints it). Empty: catalogues are
# installed unsigned, as an endpoint without signatures needs.
set(BRIMLET_CATALOGUE_PUBLIC_KEY "" CACHE STRING "Catalogue signing key (hex, 04 X Y), empty for none")
if(NOT BRIMLET_CATALOGUE_PUBLIC_KEY STREQUAL "" AND
   NOT BRIMLET_CATALOGUE_PUBLIC_KEY MATCHES "^04[0-9a-fA-F]+$")
  message(FATAL_ERROR "BRIMLET_CATALOGUE_PUBLIC_KEY must be 130 hexadecimal digits starting 04")
endif()
string(LENGTH "${BRIMLET_CATALOGUE_PUBLIC_KEY}" _brimlet_key_length)
if(NOT _brimlet_key_length EQUAL 0 AND NOT _brimlet_key_length EQUAL 130)
  message(FATAL_ERROR "BRIMLET_CATALOGUE_PUBLIC_KEY must be 130 hexadecimal digits starting 04")
endif()
