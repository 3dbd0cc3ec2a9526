# Recording libraries named like the system libraries that orvel.scr loads at run time from
# the system folder (d3d8, winmm, msvfw32, comctl32), for the end-to-end test that plants
# them beside a copy of the program. Built into planted\ beside the test programs, so that
# nothing else is ever started next to them.
if(WIN32)
  foreach(name d3d8 winmm msvfw32 comctl32)
    add_library(planted_${name} SHARED ${CMAKE_CURRENT_LIST_DIR}/planted/recording_library.cpp)
    set_target_properties(planted_${name} PROPERTIES OUTPUT_NAME ${name} PREFIX "" SUFFIX ".dll"
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/planted)
    target_compile_definitions(planted_${name} PRIVATE WIN32_LEAN_AND_MEAN)
    add_dependencies(e2e_tests planted_${name})
  endforeach()
endif()
