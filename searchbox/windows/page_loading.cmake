# --- Page-based box: page loading and the window's shape ---------------------------------
# The skin folder, the filled page and the shape's runs (portable); the page stream, the
# content moniker and the region from the background picture (Windows).
add_library(brimlet_page_loading STATIC page_source.cpp window_shape.cpp)
target_include_directories(brimlet_page_loading PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(brimlet_page_loading PUBLIC brimlet_platform)

brimlet_add_test(page_loading_tests
  SOURCES tests/page_source_test.cpp tests/window_shape_test.cpp
  LIBS brimlet_page_loading)

if(WIN32)
  add_library(brimlet_page_loading_win32 STATIC content_moniker.cpp window_shape_win32.cpp)
  target_link_libraries(brimlet_page_loading_win32 PUBLIC brimlet_page_loading brimlet_win32
                        gdiplus ole32 gdi32)

  # The test program carries a page resource of its own, so the real page can change freely.
  brimlet_add_test(page_loading_win32_tests
    SOURCES tests/content_moniker_test.cpp tests/window_shape_win32_test.cpp
            tests/data/page_test.rc
    LIBS brimlet_page_loading_win32)
endif()
