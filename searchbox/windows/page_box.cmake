# The page-based box's window: the browser's container, the page loader and the window.
if(WIN32)
  add_library(brimlet_page_box STATIC page_box_window.cpp page_box_script.cpp
              page_box_initializer.cpp page_box_runner.cpp)
  target_link_libraries(brimlet_page_box PUBLIC brimlet_external_dispatch
                        brimlet_page_loading_win32 brimlet_suggest_window brimlet_box_shell
                        brimlet_history brimlet_notices_win32 brimlet_placement_win32
                        brimlet_core_win32 brimlet_win32 imm32 comctl32 uuid)
endif()

# The window in the test's own process, with the program's resources linked in; the page is
# played by the test through the box's script object (no HTML engine under Wine).
if(WIN32)
  brimlet_add_test(page_box_window_tests
    SOURCES tests/page_box_window_test.cpp ${PROJECT_SOURCE_DIR}/resources/brimlet.rc
    LIBS brimlet_page_box brimlet_win32_test_support wininet
    LOCKS user_registry desktop
    DEPENDS stand_in_recorder)
  brimlet_use_program_resources(page_box_window_tests)
  target_compile_definitions(page_box_window_tests PRIVATE
    BRIMLET_PAGE_BOX_TEST_DATA=u"Z:${CMAKE_CURRENT_SOURCE_DIR}/tests/data/"
    BRIMLET_SKIN_SOURCE=L"Z:${PROJECT_SOURCE_DIR}/resources/skin/black/"
    BRIMLET_SCREENSHOT_DIR="${PROJECT_SOURCE_DIR}/build/screenshots")
  set_property(TEST page_box_window_tests APPEND PROPERTY FIXTURES_REQUIRED
               "notice_server;suggest_server")
endif()

# The DPI test again at 144 and 192 DPI, each in a prefix of its own (the tests' prefix stays
# at 96 DPI); its Wine server ends with it, so the lock on the desktop covers its whole life.
if(WIN32)
  foreach(dpi 144 192)
    add_test(NAME page_box_window_tests_${dpi}dpi
             COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-exec-at-dpi ${dpi} ${BRIMLET_WINEPREFIX}-${dpi}dpi
                     $<TARGET_FILE:page_box_window_tests> --gtest_brief=1
                     --gtest_filter=*AtTheScreensDpi*
             WORKING_DIRECTORY ${BRIMLET_TEST_BIN_DIR})
    set_tests_properties(page_box_window_tests_${dpi}dpi PROPERTIES
                         RESOURCE_LOCK "desktop" TIMEOUT 300)
  endforeach()
endif()
