# Stand-ins for the Windows 9x password libraries, which Wine lacks (PASSWORD.CPL) or keeps
# to itself (MPR.DLL), and a probe of the platform family Wine reports. They record their
# calls in the registry for the tests to read. Built next to the test programs only: the
# end-to-end tests copy orvel.scr into a folder of their own beside them, so the stand-ins
# never sit next to the orvel.scr a user would install.

if(WIN32)
  set(orvel_password_dir ${CMAKE_CURRENT_LIST_DIR}/password)

  # The system loads the verifier by the file name PASSWORD.CPL and both exports by their
  # undecorated names; the .def files strip the stdcall decoration.
  add_library(password_cpl SHARED ${orvel_password_dir}/verifier_stand_in.cpp ${orvel_password_dir}/verifier_stand_in.def)
  set_target_properties(password_cpl PROPERTIES OUTPUT_NAME PASSWORD PREFIX "" SUFFIX ".CPL"
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  add_library(mpr_stand_in SHARED ${orvel_password_dir}/change_stand_in.cpp ${orvel_password_dir}/change_stand_in.def)
  set_target_properties(mpr_stand_in PROPERTIES OUTPUT_NAME MPR PREFIX "" SUFFIX ".DLL"
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  foreach(stand_in password_cpl mpr_stand_in)
    target_include_directories(${stand_in} PRIVATE ${orvel_password_dir} ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(${stand_in} PRIVATE WIN32_LEAN_AND_MEAN)
    target_link_libraries(${stand_in} PRIVATE user32 advapi32)
  endforeach()

  add_executable(version_probe ${orvel_password_dir}/version_probe.cpp)
  target_include_directories(version_probe PRIVATE ${orvel_password_dir} ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(version_probe PRIVATE orvel_platform)
  set_target_properties(version_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  foreach(test_program platform_tests e2e_tests)
    target_include_directories(${test_program} PRIVATE ${orvel_password_dir})
    add_dependencies(${test_program} password_cpl mpr_stand_in version_probe)
  endforeach()
endif()
