# Checks of the shipped orvel.scr itself, read from the file by Python (nothing runs under
# Wine, so they run where the build's Windows tests cannot): the libraries it imports (both
# builds), and for the 32-bit build the functions and header versions Windows 98 to XP need
# and SSE only in the pixel loops' run-time paths. Labelled program: scripts/test.sh runs
# them even where the 32-bit Wine does not.
if(NOT WIN32)
  return()
endif()

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(orvel_program_checks ${CMAKE_CURRENT_LIST_DIR}/program)

set(orvel_imports_arguments)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(orvel_imports_arguments --allow-list ${orvel_program_checks}/win9x-imports.txt)
  add_test(NAME program_sse
           COMMAND ${Python3_EXECUTABLE} -B ${orvel_program_checks}/check_sse.py ${ORVEL_PROGRAM}
                   --objdump ${CMAKE_OBJDUMP} --report ${ORVEL_TEST_RESULTS}/program_sse.xml)
  set_tests_properties(program_sse PROPERTIES LABELS program)
endif()
add_test(NAME program_imports
         COMMAND ${Python3_EXECUTABLE} -B ${orvel_program_checks}/check_imports.py ${ORVEL_PROGRAM}
                 --report ${ORVEL_TEST_RESULTS}/program_imports.xml ${orvel_imports_arguments})
set_tests_properties(program_imports PROPERTIES LABELS program)
