# GoogleTest, built from the machine's sources with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Shared test helpers (stand-ins, test hosts, registry sandboxes): every .cpp under tests/support.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(tessaron_test_support STATIC ${TEST_SUPPORT_SOURCES})
target_include_directories(tessaron_test_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(tessaron_test_support PUBLIC tessaron_core GTest::gtest GTest::gmock version)
target_compile_options(tessaron_test_support PRIVATE ${TESSARON_WARNINGS})

# One test program per file tests/<area>/<name>_test.cpp, run by CTest under Wine
# from the game folder, so the data file and the loose model are found as the game finds them.
# Labels pick a set to run: `unit` (these), `e2e` (the scenarios), `package` (the packages),
# `fresh-root` (apt installing the Debian package into a fresh root, see below),
# e.g. `bash scripts/test.sh -L unit`.
set(TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests)
file(GLOB TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/*_test.cpp)
foreach(source ${TEST_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  get_filename_component(dir ${source} DIRECTORY)
  get_filename_component(area ${dir} NAME)
  set(target ${area}_${name})
  add_executable(${target} ${source})
  target_compile_options(${target} PRIVATE ${TESSARON_WARNINGS})
  target_link_libraries(${target} PRIVATE tessaron_test_support)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
  if(TARGET game_content)
    add_dependencies(${target} game_content)
  endif()
  add_test(NAME ${target} COMMAND ${target} WORKING_DIRECTORY ${GAME_DIR})
  # One at a time on the programs' display (scripts/test.sh), beside the scenarios on theirs.
  set_tests_properties(${target} PROPERTIES TIMEOUT 300 RESOURCE_LOCK programs_display LABELS unit)
endforeach()

# Delay imports that fail as on a player's system without the library (a DLL that exists
# nowhere) or without the function (kernel32 has no HtmlHelpW), for the failure hook's test.
set(missing ${CMAKE_BINARY_DIR}/delay_imports/missing)
file(WRITE ${missing}_library.def "LIBRARY tessaron_absent.dll\nEXPORTS\nAbsentLibraryChooseColorW == ChooseColorW\nAbsentLibraryDirectInput8Create == DirectInput8Create\n")
file(WRITE ${missing}_function.def "LIBRARY kernel32.dll\nEXPORTS\nMissingFunctionHtmlHelpW == HtmlHelpW\n")
tessaron_delay_import_library(${missing}_library.def tessaron_absent.dll ${missing}_library.a)
tessaron_delay_import_library(${missing}_function.def kernel32.dll ${missing}_function.a)
add_custom_target(missing_delay_imports DEPENDS ${missing}_library.a ${missing}_function.a)
add_dependencies(shell_services_test missing_delay_imports)
target_link_libraries(shell_services_test PRIVATE ${missing}_library.a ${missing}_function.a)

# End-to-end scenarios: the real program driven under the test display as a person would,
# in a Wine prefix of their own. Each tests/e2e/<name>_e2e.py is two tests: e2e_<name> on Wine's
# own Direct3D 9, and e2e_d3d9dll_<name> on the d3d9.dll that TESSARON_D3D9_DLL names (DXVK's,
# as Proton players have it), skipped when the variable names none.
find_program(PYTHON3_EXECUTABLE python3 REQUIRED)
file(GLOB E2E_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_e2e.py)
set(E2E_SKIPPED 77) # a scenario's exit code when it has nothing to run on
foreach(script ${E2E_SCENARIOS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND ${PYTHON3_EXECUTABLE} ${script} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
  set_tests_properties(e2e_${name} PROPERTIES ENVIRONMENT "TESSARON_BUILD=${CMAKE_BINARY_DIR};TESSARON_D3D9_DLL="
                       TIMEOUT 300 RESOURCE_LOCK game_display LABELS e2e)
  add_test(NAME e2e_d3d9dll_${name} COMMAND ${PYTHON3_EXECUTABLE} ${script} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
  set_tests_properties(e2e_d3d9dll_${name} PROPERTIES
                       ENVIRONMENT "TESSARON_BUILD=${CMAKE_BINARY_DIR};TESSARON_E2E_NEEDS_D3D9_DLL=1"
                       SKIP_RETURN_CODE ${E2E_SKIPPED} TIMEOUT 300 RESOURCE_LOCK game_display LABELS e2e)
endforeach()
# Two solves of a full scramble, click by click: minutes on a loaded machine.
set_tests_properties(e2e_timed_solve_e2e e2e_d3d9dll_timed_solve_e2e PROPERTIES TIMEOUT 900)
# Two starts, the second on a display scaled to 150 %, with four trips to full screen.
set_tests_properties(e2e_play_e2e e2e_d3d9dll_play_e2e PROPERTIES TIMEOUT 600)

# The zip for Windows players against the game folder it is made from; the setup program
# installed, played and uninstalled under Wine on the test display.
add_test(NAME package_windows_zip
         COMMAND ${PYTHON3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/windows_zip_test.py
                 zip ${TESSARON_WINDOWS_ZIP} ${GAME_DIR} ${TESSARON_NOT_SHIPPED})
set_tests_properties(package_windows_zip PROPERTIES LABELS package)
add_test(NAME package_windows_setup
         COMMAND ${PYTHON3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/windows_zip_test.py
                 setup ${TESSARON_WINDOWS_SETUP} ${GAME_DIR} ${TESSARON_NOT_SHIPPED})
set_tests_properties(package_windows_setup PROPERTIES TIMEOUT 300 RESOURCE_LOCK game_display LABELS package)

# The Debian package: its contents, lintian, and a first start of its launcher on the test display.
add_test(NAME package_debian
         COMMAND ${PYTHON3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/debian_package_test.py
                 ${TESSARON_DEB} ${GAME_DIR} ${TESSARON_NOT_SHIPPED})
set_tests_properties(package_debian PROPERTIES TIMEOUT 420 RESOURCE_LOCK game_display LABELS package)

# apt installs the Debian package into a fresh Debian root (made once into the build tree by
# debootstrap) and removes it cleanly. Its own label, `fresh-root`: about 10 minutes the first
# time (making the root and downloading Wine), about 4 after that.
add_test(NAME package_debian_fresh_root
         COMMAND ${PYTHON3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/package/debian_package_test.py --fresh-root
                 ${TESSARON_DEB} ${CMAKE_BINARY_DIR}/debian-root)
set_tests_properties(package_debian_fresh_root PROPERTIES TIMEOUT 1800 LABELS fresh-root)
