# The build's Windows Installer package installed, installed again, upgraded to the next
# version (the same files at that version) and removed by msiexec under Wine
# (tests/installer), in a Wine prefix of its own beside the test programs, made on the
# first run: the package changes the system folder, which is on the search path of every
# program of a prefix (the sample video there would stand in for the one the end-to-end tests
# take away). Labelled installer.
if(NOT WIN32 OR NOT ORVEL_PACKAGE)
  return()
endif()

add_executable(installer_tests ${CMAKE_CURRENT_LIST_DIR}/installer/installer_test.cpp)
target_include_directories(installer_tests PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(installer_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(installer_tests PRIVATE orvel_test_support ${orvel_gtest} advapi32)
add_dependencies(installer_tests msi_package msi_newer_package)
add_test(NAME installer_tests
         COMMAND ${CMAKE_COMMAND} -E env --unset=ORVEL_WINE_SESSION
                 ORVEL_WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wineprefix-installer
                 ${PROJECT_SOURCE_DIR}/scripts/wine-run --arch=${orvel_wine_arch} $<TARGET_FILE:installer_tests>
                 --gtest_output=xml:${ORVEL_TEST_RESULTS_SEEN}/installer_tests.xml --msi=${ORVEL_PACKAGE}
                 --newer-msi=${ORVEL_NEWER_PACKAGE}
         WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(installer_tests PROPERTIES LABELS installer)
