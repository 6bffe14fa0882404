# --- Page contract: the type library and the page's script object ------------------------
# The rules without a window (portable).
add_library(brimlet_page_contract STATIC page_contract.cpp)
target_include_directories(brimlet_page_contract PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(brimlet_page_contract PUBLIC brimlet_catalogue brimlet_notices
                      brimlet_settings brimlet_placement)

brimlet_add_test(page_contract_tests
  SOURCES tests/page_contract_test.cpp
  LIBS brimlet_page_contract brimlet_test_adapters
  LOCKS user_registry)

if(WIN32)
  # The type library, built from the IDL and embedded by resources/page.rc as TYPELIB 1.
  # widl reads IDispatch from the stdole2.tlb that Wine ships.
  find_program(BRIMLET_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
  find_path(BRIMLET_STDOLE2_DIR stdole2.tlb
            PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
                  /usr/lib64/wine/x86_64-windows
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_custom_command(
    OUTPUT ${BRIMLET_TYPELIB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIMLET_TYPELIB_DIR}
    COMMAND ${BRIMLET_WIDL} -t --nostdinc -I ${PROJECT_SOURCE_DIR}/resources
            -L ${BRIMLET_STDOLE2_DIR} -o ${BRIMLET_TYPELIB}
            ${PROJECT_SOURCE_DIR}/resources/brimlet_lib.idl
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/brimlet_lib.idl
            ${PROJECT_SOURCE_DIR}/resources/brimlet_base.idl
    COMMENT "Type library brimlet_lib.tlb"
    VERBATIM)
  add_custom_target(brimlet_typelib DEPENDS ${BRIMLET_TYPELIB})

  add_library(brimlet_external_dispatch STATIC external_dispatch.cpp)
  target_link_libraries(brimlet_external_dispatch PUBLIC brimlet_page_contract brimlet_win32
                        oleaut32 ole32 uuid)

  brimlet_add_test(type_library_tests
    SOURCES tests/type_library_test.cpp
    LIBS brimlet_win32_test_support
    DEPENDS Brimlet)

  brimlet_add_test(external_dispatch_tests
    SOURCES tests/external_dispatch_test.cpp ${PROJECT_SOURCE_DIR}/resources/brimlet.rc
    LIBS brimlet_external_dispatch brimlet_core_win32 brimlet_test_adapters
    LOCKS user_registry)
  brimlet_use_program_resources(external_dispatch_tests)
endif()
