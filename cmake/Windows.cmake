# The native Windows build, cross-compiled with MinGW-w64
# (cmake/mingw-w64-x86_64.cmake): the core, the Win32 platform layer, and the
# core's unit tests that need no POSIX host, run under Wine by
# scripts/test_windows.sh. Included by the top level instead of the Linux
# targets.

# C99 printf and scanf from the MinGW runtime (%zu, %lld, rounding) rather than
# the system's older ones, for every target here, the core included.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)

file(GLOB VANTREL_WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
# The window program's own part of the layer (window, dialogs, printer,
# screen) stays out of the library: the tests link the fakes of those
# headers instead.
set(VANTREL_WIN32_WINDOW_SOURCES
  ${PROJECT_SOURCE_DIR}/src/platform/win32/window_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/port_tips_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/dialogs_platform_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/printer_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/screen_win32.cpp)
# The dialogs themselves take their owner window as an argument: the window
# program and the dialogs' own test compile them in, with the resource script.
set(VANTREL_WIN32_DIALOG_SOURCES
  ${PROJECT_SOURCE_DIR}/src/platform/win32/dialogs_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/set_time_dialog_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/report_dialog_win32.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/progress_win32.cpp)
# The four-part version Windows shows in the programs' and the setup file's
# properties, from project() (1.2 -> 1.2.0.0); the resource scripts read it
# from a generated header.
set(VANTREL_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND VANTREL_VERSION_QUAD .0)
  else()
    string(APPEND VANTREL_VERSION_QUAD .${PROJECT_VERSION_${part}})
  endif()
endforeach()
string(REPLACE "." "," VANTREL_VERSION_COMMAS ${VANTREL_VERSION_QUAD})
set(VANTREL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/version.h.in ${VANTREL_GENERATED_DIR}/vantrel_version.h @ONLY)
set(VANTREL_RESOURCE_INCLUDES ${PROJECT_SOURCE_DIR}/resources/windows ${VANTREL_GENERATED_DIR})
set(VANTREL_VERSION_RESOURCE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/windows/version_info.rc
  ${VANTREL_GENERATED_DIR}/vantrel_version.h)

set(VANTREL_WIN32_RESOURCES ${PROJECT_SOURCE_DIR}/src/app/vantreldaq.rc)
set_property(SOURCE ${VANTREL_WIN32_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS
  ${VANTREL_VERSION_RESOURCE_DEPENDS}
  ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.manifest
  ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.ico
  ${PROJECT_SOURCE_DIR}/resources/windows/logo207.bmp
  ${PROJECT_SOURCE_DIR}/src/platform/win32/resource_ids.h)
list(REMOVE_ITEM VANTREL_WIN32_SOURCES ${VANTREL_WIN32_WINDOW_SOURCES} ${VANTREL_WIN32_DIALOG_SOURCES})
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
    port_select port_table print protocol recording_file replace_file report report_page screen_dump set_time
    settings_file shell span_dialog timestamps transfer)
  foreach(name ${VANTREL_WIN_UNIT_TESTS})
    add_executable(${name}_test tests/unit/${name}_test.cpp)
    target_compile_options(${name}_test PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(${name}_test PRIVATE
      "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_fakes>" gtest_main)
  endforeach()
  # The Win32 layer's own tests.
  # What the tests that drive vantreldaq.exe share.
  add_library(vantrel_win32_test_support STATIC tests/win32/support/program.cpp)
  target_include_directories(vantrel_win32_test_support PUBLIC src tests)
  target_compile_options(vantrel_win32_test_support PRIVATE ${VANTREL_WARNINGS})
  target_compile_definitions(vantrel_win32_test_support PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)
  file(GLOB VANTREL_WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*_test.cpp)
  foreach(test_src ${VANTREL_WIN32_TESTS})
    get_filename_component(test_name ${test_src} NAME_WE)
    add_executable(${test_name} ${test_src})
    target_compile_options(${test_name} PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(${test_name} PRIVATE
      "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_fakes,vantrel_win32_test_support>" gtest_main)
    list(APPEND VANTREL_WIN32_TEST_TARGETS ${test_name})
  endforeach()
  # The printer and screen layers themselves, over a window of the test's own
  # (it gives the main window's handle); the fakes of their header stay out.
  target_sources(output_win32_test PRIVATE
    ${PROJECT_SOURCE_DIR}/src/platform/win32/printer_win32.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/win32/screen_win32.cpp)
  target_link_libraries(output_win32_test PRIVATE comdlg32 winspool gdi32 windowscodecs ole32 dwmapi)
  # The programs' version resources, read back against the project's version.
  target_compile_definitions(version_resource_test PRIVATE VANTREL_VERSION="${PROJECT_VERSION}"
    VANTREL_VERSION_QUAD="${VANTREL_VERSION_QUAD}")
  target_link_libraries(version_resource_test PRIVATE version)
  # The dialogs' test runs them from the program's own templates.
  target_sources(dialogs_win32_test PRIVATE ${VANTREL_WIN32_DIALOG_SOURCES} ${VANTREL_WIN32_RESOURCES})
  target_include_directories(dialogs_win32_test PRIVATE ${VANTREL_RESOURCE_INCLUDES})
  target_link_libraries(dialogs_win32_test PRIVATE comctl32)
  # The command line's console output, in-process and through the program.
  target_sources(cli_console_test PRIVATE
    ${PROJECT_SOURCE_DIR}/tools/cli/cli_os_win32.cpp ${PROJECT_SOURCE_DIR}/tools/cli/cli_util.cpp)
  target_include_directories(cli_console_test PRIVATE ${PROJECT_SOURCE_DIR}/tools/cli)
  add_custom_target(windows_tests)
  list(TRANSFORM VANTREL_WIN_UNIT_TESTS APPEND _test OUTPUT_VARIABLE VANTREL_WIN_TEST_TARGETS)
  add_dependencies(windows_tests ${VANTREL_WIN_TEST_TARGETS} ${VANTREL_WIN32_TEST_TARGETS})
endif()

# vantreldaq-cli.exe: the command line tool over the Win32 layer, with the
# application manifest (UTF-8 code page) and version linked in by windres.
set(VANTREL_CLI_DIR ${PROJECT_SOURCE_DIR}/tools/cli)
add_library(vantrel_cli_platform STATIC ${VANTREL_CLI_DIR}/cli_platform.cpp)
target_include_directories(vantrel_cli_platform PUBLIC ${VANTREL_CLI_DIR} src)
target_compile_options(vantrel_cli_platform PRIVATE ${VANTREL_WARNINGS})
add_executable(vantreldaq-cli
  ${VANTREL_CLI_DIR}/main.cpp ${VANTREL_CLI_DIR}/cli_run.cpp ${VANTREL_CLI_DIR}/cli_fetch.cpp
  ${VANTREL_CLI_DIR}/cli_util.cpp ${VANTREL_CLI_DIR}/cli_commands.cpp ${VANTREL_CLI_DIR}/cli_report.cpp
  ${VANTREL_CLI_DIR}/cli_os_win32.cpp
  ${VANTREL_CLI_DIR}/vantreldaq-cli.rc)
target_compile_options(vantreldaq-cli PRIVATE ${VANTREL_WARNINGS})
target_include_directories(vantreldaq-cli PRIVATE ${VANTREL_CLI_DIR} src)
set_property(SOURCE ${VANTREL_CLI_DIR}/vantreldaq-cli.rc APPEND PROPERTY OBJECT_DEPENDS
  ${VANTREL_VERSION_RESOURCE_DEPENDS} ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq-cli.manifest)
target_include_directories(vantreldaq-cli PRIVATE ${VANTREL_RESOURCE_INCLUDES})
target_link_libraries(vantreldaq-cli PRIVATE
  "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_cli_platform>")

# vantreldaq.exe: the window program, a GUI-subsystem program linked statically.
add_executable(vantreldaq WIN32
  src/app/main_win32.cpp ${VANTREL_WIN32_WINDOW_SOURCES} ${VANTREL_WIN32_DIALOG_SOURCES} ${VANTREL_WIN32_RESOURCES})
target_compile_options(vantreldaq PRIVATE ${VANTREL_WARNINGS})
target_include_directories(vantreldaq PRIVATE src ${VANTREL_RESOURCE_INCLUDES})
target_link_options(vantreldaq PRIVATE -mwindows)
target_link_libraries(vantreldaq PRIVATE
  "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32>" comctl32 comdlg32 winspool gdi32 user32 shell32 windowscodecs ole32
  dwmapi)

# The per-user folder of "--user-folder" (src/app/main_win32.cpp):
# SHGetKnownFolderPath's GUID and CoTaskMemFree.
target_link_libraries(vantreldaq PRIVATE ole32 uuid)

# The packages, beside the programs in the build folder:
#   VantrelDAQ-<version>-setup.exe   the installer (NSIS: packaging/windows/vantreldaq.nsi)
#   VantrelDAQ-<version>-win64.zip   the portable programs with a README.txt
# cmake --build build-win --target package_windows (scripts/package_windows.sh
# does it from a clean clone). The version is the project's, as for the
# Debian package.
find_program(VANTREL_MAKENSIS makensis)
set(VANTREL_PACKAGE_NAME VantrelDAQ-${PROJECT_VERSION})
set(VANTREL_SETUP ${CMAKE_BINARY_DIR}/${VANTREL_PACKAGE_NAME}-setup.exe)
set(VANTREL_ZIP ${CMAKE_BINARY_DIR}/${VANTREL_PACKAGE_NAME}-win64.zip)
set(VANTREL_NSI ${PROJECT_SOURCE_DIR}/packaging/windows/vantreldaq.nsi)
set(VANTREL_WIN_README ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt)
set(VANTREL_PACKAGE_DEPENDS ${VANTREL_NSI})
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.ico)
  list(APPEND VANTREL_PACKAGE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/windows/vantreldaq.ico)
endif()

# What both packages hold, staged once: the programs without their symbols
# (a third of the size), and the README.
set(VANTREL_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package/${VANTREL_PACKAGE_NAME}-win64)
set(VANTREL_PACKAGE_FILES ${VANTREL_PACKAGE_DIR}/vantreldaq.exe ${VANTREL_PACKAGE_DIR}/vantreldaq-cli.exe
    ${VANTREL_PACKAGE_DIR}/README.txt)
add_custom_command(OUTPUT ${VANTREL_PACKAGE_FILES}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VANTREL_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTREL_PACKAGE_DIR}
  COMMAND ${CMAKE_STRIP} -o ${VANTREL_PACKAGE_DIR}/vantreldaq.exe $<TARGET_FILE:vantreldaq>
  COMMAND ${CMAKE_STRIP} -o ${VANTREL_PACKAGE_DIR}/vantreldaq-cli.exe $<TARGET_FILE:vantreldaq-cli>
  # Signed only when a certificate is given (VANTREL_SIGN_CERT, README).
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/sign_windows.sh ${VANTREL_PACKAGE_DIR}/vantreldaq.exe
          ${VANTREL_PACKAGE_DIR}/vantreldaq-cli.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${VANTREL_WIN_README} ${VANTREL_PACKAGE_DIR}
  DEPENDS vantreldaq vantreldaq-cli ${VANTREL_WIN_README} ${PROJECT_SOURCE_DIR}/scripts/sign_windows.sh
  COMMENT "package: stripped programs in ${VANTREL_PACKAGE_DIR}" VERBATIM)

if(VANTREL_MAKENSIS)
  add_custom_command(OUTPUT ${VANTREL_SETUP}
    COMMAND ${VANTREL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DVERSION_QUAD=${VANTREL_VERSION_QUAD}
            -DBINDIR=${VANTREL_PACKAGE_DIR} -DSRCDIR=${PROJECT_SOURCE_DIR} -DOUTFILE=${VANTREL_SETUP}
            ${VANTREL_NSI}
    DEPENDS ${VANTREL_PACKAGE_FILES} ${VANTREL_PACKAGE_DEPENDS}
    COMMENT "NSIS: ${VANTREL_PACKAGE_NAME}-setup.exe" VERBATIM)
else()
  add_custom_command(OUTPUT ${VANTREL_SETUP}
    COMMAND ${CMAKE_COMMAND} -E echo "makensis (Debian package nsis) is missing: run scripts/setup.sh"
    COMMAND ${CMAKE_COMMAND} -E false VERBATIM)
endif()

# The zip holds one folder, so unpacking it puts nothing loose beside it.
add_custom_command(OUTPUT ${VANTREL_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${VANTREL_ZIP}
  COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/package
          ${CMAKE_COMMAND} -E tar cf ${VANTREL_ZIP} --format=zip ${VANTREL_PACKAGE_NAME}-win64
  DEPENDS ${VANTREL_PACKAGE_FILES}
  COMMENT "zip: ${VANTREL_PACKAGE_NAME}-win64.zip" VERBATIM)

add_custom_target(package_windows DEPENDS ${VANTREL_SETUP} ${VANTREL_ZIP})

if(VANTREL_WIN_TESTS)
# The GDI repaint benchmark, run on demand under Wine (not part of the tests):
#   cmake --build build-win --target bench_gdi && wine build-win/bench_gdi.exe
add_executable(bench_gdi EXCLUDE_FROM_ALL bench/win32/bench_gdi.cpp)
target_compile_options(bench_gdi PRIVATE ${VANTREL_WARNINGS})
target_include_directories(bench_gdi PRIVATE src tests)
target_link_libraries(bench_gdi PRIVATE
  "$<LINK_GROUP:RESCAN,vantrel_core,vantrel_win32,vantrel_fakes>" gdi32 user32)
endif()

# Start-up of vantreldaq.exe to its first idle moment, run on demand under Wine.
add_executable(bench_startup EXCLUDE_FROM_ALL bench/win32/bench_startup.cpp)
target_compile_options(bench_startup PRIVATE ${VANTREL_WARNINGS})
target_link_libraries(bench_startup PRIVATE user32 advapi32)
add_dependencies(bench_startup vantreldaq)
