# The native Windows build, cross-compiled with MinGW-w64
# (cmake/mingw-w64-x86_64.cmake): the core, the Win32 platform layer, and the
# core's unit tests that need no POSIX host, run under Wine by
# scripts/test_windows.sh. Included by the top level instead of the Linux
# targets.

# C99 printf and scanf from the MinGW runtime (%zu, %lld, rounding) rather than
# the system's older ones, for every target here, the core included.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

file(GLOB VANTREL_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
# The window program's own part of the layer (window, dialogs not built yet)
# stays out of the library: the tests link the fakes of those headers instead.
set(VANTREL_WIN32_WINDOW_SOURCES
  ${PROJECT_SOURCE_DIR}/src/platform/win32/window_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/pending_win32.cpp)
list(REMOVE_ITEM VANTREL_WIN32_SOURCES ${VANTREL_WIN32_WINDOW_SOURCES})
add_library(vantrel_win32 STATIC ${VANTREL_WIN32_SOURCES})
target_include_directories(vantrel_win32 PUBLIC src)
target_compile_options(vantrel_win32 PRIVATE ${VANTREL_WARNINGS})
# Windows 10 and later: the wide calls, CancelIoEx, the UTF-8 code page.
target_compile_definitions(vantrel_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 UNICODE _UNICODE)
target_link_libraries(vantrel_win32 PUBLIC Threads::Threads setupapi shell32 ole32 uuid user32 gdi32)

option(VANTREL_WIN_TESTS "Cross-build the unit tests (GoogleTest from source)" ON)
set(VANTREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")

if(VANTREL_WIN_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VANTREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  file(GLOB VANTREL_FAKE_SOURCES CONFIGURE_DEPENDS tests/fakes/*.cpp tests/support/*.cpp)
  add_library(vantrel_fakes STATIC ${VANTREL_FAKE_SOURCES})
  target_include_directories(vantrel_fakes PUBLIC src tests)
  target_compile_options(vantrel_fakes PRIVATE ${VANTREL_WARNINGS})
  target_link_libraries(vantrel_fakes PUBLIC gtest)

  # The unit tests of the core. Left out: those that drive a pseudo-terminal,
  # the logger simulator or child processes (link, logger_sim, serial_ports,
  # transfer_link, cli_*), and the POSIX clock's own test.
  set(VANTREL_WIN_UNIT_TESTS
    bmp chart_navigation chart_reading chart_renderer csv_export event messages
    port_select print protocol recording_file replace_file screen_dump set_time
    settings_file shell span_dialog timestamps transfer)
  foreach(name ${VANTREL_WIN_UNIT_TESTS})
    add_executable(${name}_test tests/unit/${name}_test.cpp)
    target_compile_options(${name}_test PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(${name}_test PRIVATE
      "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_fakes>" gtest_main)
  endforeach()
  # The Win32 layer's own tests.
  file(GLOB VANTREL_WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*_test.cpp)
  foreach(test_src ${VANTREL_WIN32_TESTS})
    get_filename_component(test_name ${test_src} NAME_WE)
    add_executable(${test_name} ${test_src})
    target_compile_options(${test_name} PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(${test_name} PRIVATE
      "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_fakes>" gtest_main)
    list(APPEND VANTREL_WIN32_TEST_TARGETS ${test_name})
  endforeach()
  add_custom_target(windows_tests)
  list(TRANSFORM VANTREL_WIN_UNIT_TESTS APPEND _test OUTPUT_VARIABLE VANTREL_WIN_TEST_TARGETS)
  add_dependencies(windows_tests ${VANTREL_WIN_TEST_TARGETS} ${VANTREL_WIN32_TEST_TARGETS})
endif()

# vantreldaq-cli.exe: the command line tool over the Win32 layer, with the
# application manifest (UTF-8 code page) linked in by windres.
set(VANTREL_CLI_DIR ${PROJECT_SOURCE_DIR}/tools/cli)
add_library(vantrel_cli_platform STATIC ${VANTREL_CLI_DIR}/cli_platform.cpp)
target_include_directories(vantrel_cli_platform PUBLIC ${VANTREL_CLI_DIR} src)
target_compile_options(vantrel_cli_platform PRIVATE ${VANTREL_WARNINGS})
add_executable(vantreldaq-cli
  ${VANTREL_CLI_DIR}/main.cpp ${VANTREL_CLI_DIR}/cli_run.cpp ${VANTREL_CLI_DIR}/cli_fetch.cpp
  ${VANTREL_CLI_DIR}/cli_util.cpp ${VANTREL_CLI_DIR}/cli_commands.cpp ${VANTREL_CLI_DIR}/cli_os_win32.cpp
  ${VANTREL_CLI_DIR}/vantreldaq-cli.rc)
target_compile_options(vantreldaq-cli PRIVATE ${VANTREL_WARNINGS})
target_include_directories(vantreldaq-cli PRIVATE ${VANTREL_CLI_DIR} src)
set_property(SOURCE ${VANTREL_CLI_DIR}/vantreldaq-cli.rc APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.manifest)
target_include_directories(vantreldaq-cli PRIVATE ${PROJECT_SOURCE_DIR}/resources/windows)
target_link_libraries(vantreldaq-cli PRIVATE
  "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_cli_platform>")

# vantreldaq.exe: the window program, a GUI-subsystem program linked statically.
add_executable(vantreldaq WIN32
  src/app/main_win32.cpp ${VANTREL_WIN32_WINDOW_SOURCES} src/app/vantreldaq.rc)
target_compile_options(vantreldaq PRIVATE ${VANTREL_WARNINGS})
target_include_directories(vantreldaq PRIVATE src ${PROJECT_SOURCE_DIR}/resources/windows)
set_property(SOURCE src/app/vantreldaq.rc APPEND PROPERTY OBJECT_DEPENDS
  ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.manifest)
target_link_options(vantreldaq PRIVATE -mwindows)
target_link_libraries(vantreldaq PRIVATE
  "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32>" comdlg32 gdi32 user32 shell32)
