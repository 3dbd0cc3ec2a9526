# The settings dialogs under Wine: the platform tests load the real dialog templates, pictures
# and cursor, so the program's compiled resources are linked into them. The link tests open a
# probe program of their own instead of a web address.

if(WIN32)
  target_link_libraries(platform_tests PRIVATE orvel_resources)

  # Started through the shell by a link control; tells the test it ran by releasing a
  # semaphore named after its own file name.
  add_executable(link_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/settings/link_probe.cpp)
  target_compile_definitions(link_probe PRIVATE WIN32_LEAN_AND_MEAN)
  set_target_properties(link_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_dependencies(platform_tests link_probe)
endif()

# The settings record crosses between the two Windows builds: the 64-bit platform tests start
# the 32-bit build's options_copier (where this machine runs 32-bit programs) on a value they
# wrote. Each build makes the copier; the test lives in the 64-bit one, whose Wine can also run
# 32-bit programs.
if(WIN32)
  add_executable(options_copier ${CMAKE_CURRENT_LIST_DIR}/settings/options_copier.cpp)
  target_link_libraries(options_copier PRIVATE orvel_platform)
  set_target_properties(options_copier PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  add_dependencies(platform_tests options_copier)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    get_filename_component(orvel_peer_build ${CMAKE_BINARY_DIR}/../windows ABSOLUTE)
    set(ORVEL_PEER_BUILD_DIR ${orvel_peer_build} CACHE PATH "the 32-bit Windows build beside this one")
    target_compile_definitions(platform_tests PRIVATE
      "ORVEL_PEER_OPTIONS_COPIER=\"Z:${ORVEL_PEER_BUILD_DIR}/tests/options_copier.exe\"")
  endif()
endif()
