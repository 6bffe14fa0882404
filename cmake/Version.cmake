# The product's version has one source, project(VERSION) in the top-level CMakeLists.txt:
# the deliverables' version blocks read it from a generated header, their manifests and the
# gadget manifest are generated with it, and the installer reads
# it from Tessiv.exe's version block and writes it to the product key.
set(BRIMLET_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/brimlet_version.h.in
               ${BRIMLET_GENERATED_DIR}/brimlet_version.h @ONLY)
# The programs' manifest names the version as well; the resource compiler finds it here.
configure_file(${PROJECT_SOURCE_DIR}/resources/brimlet.manifest.in
               ${BRIMLET_GENERATED_DIR}/brimlet.manifest @ONLY)
# Only the resource compiler reads it: no C++ source depends on the version.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${BRIMLET_GENERATED_DIR}")
