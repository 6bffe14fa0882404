# Build rules shared by every folder: warnings, static Windows runtime, sanitizers,
# test registration (native or under Wine) and the installation tree.

option(BRIMLET_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(BRIMLET_FUZZ "Build the parsers' libFuzzer targets (preset fuzz)" OFF)

# The installation tree the Windows build lays out: the host at the top, the
# search-box gadget in its own folder below Gadgets.
set(BRIMLET_GADGET_GUID "{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}")
set(BRIMLET_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(BRIMLET_GADGET_DIR ${BRIMLET_DIST_DIR}/Gadgets/${BRIMLET_GADGET_GUID})
set(BRIMLET_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests)

# Applied after GoogleTest is added so that only this project's code is held to it.
macro(brimlet_project_flags)
  add_compile_options(-Wall -Wextra -Werror -Wno-missing-field-initializers)
  if(WIN32)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
                            WINVER=0x0601 _WIN32_IE=0x0800 STRICT)
    # No mingw runtime DLL may travel beside the deliverables.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # Debug information is compiled in and split off the shipped files (brimlet_ship).
    add_compile_options(-g)
  elseif(BRIMLET_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
endmacro()

# Under Wine every test program runs in the prefix inside this build tree, in the
# Japanese locale (ANSI code page 932), on the display that scripts/test provides.
function(brimlet_setup_wine)
  set(BRIMLET_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(BRIMLET_WINEPREFIX ${BRIMLET_WINEPREFIX} PARENT_SCOPE)
  configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-exec.in ${CMAKE_BINARY_DIR}/wine-exec
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-exec CACHE FILEPATH "" FORCE)
  add_test(NAME wine.prefix
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix-init ${BRIMLET_WINEPREFIX})
  set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine_prefix)
endfunction()

# brimlet_add_test(name SOURCES ... [LIBS ...] [LOCKS ...] [NO_WINE_FIXTURE])
# One CTest entry per test program: under Wine each process start costs time.
function(brimlet_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCKS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${BRIMLET_TEST_BIN_DIR})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1
           WORKING_DIRECTORY ${BRIMLET_TEST_BIN_DIR})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 600)
  endif()
  if(T_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
  endif()
endfunction()

# A shipped program or module: optimised like the build, stripped of symbols and debug
# sections, its debug information kept in symbols/<file>.debug (outside the installation
# tree; a debugger finds it through the debug link when it lies beside the file or is named
# to it).
function(brimlet_ship target)
  if(NOT WIN32)
    return()
  endif()
  set(debug ${CMAKE_BINARY_DIR}/symbols/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/symbols
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug}
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${debug} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()

# brimlet_delay_load_library(dll): a library target brimlet_delay_<dll> that links the
# DLL's functions listed in cmake/delay/<dll>.def so that the DLL is loaded at the first call
# instead of at process start. For DLLs that only a rarely taken road uses (downloads,
# signatures, cabinets, the colour dialog): every box start would pay for loading them.
function(brimlet_delay_load_library dll)
  set(def ${PROJECT_SOURCE_DIR}/cmake/delay/${dll}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${lib}
    DEPENDS ${def}
    VERBATIM)
  add_custom_target(brimlet_delay_${dll}_lib DEPENDS ${lib})
  add_library(brimlet_delay_${dll} INTERFACE)
  add_dependencies(brimlet_delay_${dll} brimlet_delay_${dll}_lib)
  target_link_libraries(brimlet_delay_${dll} INTERFACE ${lib} delayimp)
endfunction()

# brimlet_add_fuzzer(name source LIBS ...): a libFuzzer target for one parser (preset fuzz,
# which compiles everything with the sanitizers; scripts/fuzz runs it).
function(brimlet_add_fuzzer name source)
  cmake_parse_arguments(F "" "" "LIBS" ${ARGN})
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${F_LIBS} brimlet_native)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address)
endfunction()

# The type library that resources/page.rc embeds, made in searchbox/windows (brimlet_typelib).
set(BRIMLET_TYPELIB_DIR ${CMAKE_BINARY_DIR}/typelib)
set(BRIMLET_TYPELIB ${BRIMLET_TYPELIB_DIR}/brimlet_lib.tlb)

# For every target that compiles resources/brimlet.rc (the program and the tests that link its
# resources): the type library is made first, windres finds it, and the resources are compiled
# again when it, the page or any script that brimlet.rc includes changes.
function(brimlet_use_program_resources target)
  add_dependencies(${target} brimlet_typelib)
  target_include_directories(${target} PRIVATE ${BRIMLET_TYPELIB_DIR})
  set(res ${PROJECT_SOURCE_DIR}/resources)
  set_property(SOURCE ${res}/brimlet.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
               OBJECT_DEPENDS ${BRIMLET_TYPELIB} ${res}/page.rc ${res}/page/main.html
               ${res}/brimlet_ids.h ${res}/version_info.rc ${res}/searchbox_dialog.rc
               ${res}/searchbox_dialog_ids.h ${res}/suggest_window.rc ${res}/suggest_window_ids.h
               ${res}/settings_dialog.rc ${res}/settings_dialog_ids.h
               ${res}/engine_editor.rc ${res}/engine_editor_ids.h)
endfunction()

# brimlet_add_test_server(name script): a local HTTP server for the tests that need one,
# started and stopped around them as the CTest fixture `name` (its port and log in
# tests/<name>/).
function(brimlet_add_test_server name script)
  set(dir ${BRIMLET_TEST_BIN_DIR}/${name})
  add_test(NAME ${name}.start COMMAND python3 ${script} start ${dir})
  add_test(NAME ${name}.stop COMMAND python3 ${script} stop ${dir})
  set_tests_properties(${name}.start PROPERTIES FIXTURES_SETUP ${name})
  set_tests_properties(${name}.stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()
