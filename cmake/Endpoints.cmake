# Hosts of the endpoints the program talks to. Operators set their own with
# -DBRIMLET_HELP_HOST=... etc.; the defaults are reserved example domains, so an
# unconfigured build never sends anything to a host this project does not control.
set(BRIMLET_HELP_HOST "http://help.example.invalid" CACHE STRING "Help redirect endpoint (scheme and host)")
set(BRIMLET_DOWNLOAD_HOST "http://download.example.invalid" CACHE STRING "Catalogue and notice download endpoint (scheme and host)")
set(BRIMLET_LOG_HOST "http://log.example.invalid" CACHE STRING "Usage-log endpoint (scheme and host)")
