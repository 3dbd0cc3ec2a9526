# Test set-up of the program's resources: the end-to-end driver reads orvel.scr's version
# information, which lives in version.dll.
if(WIN32)
  target_link_libraries(e2e_tests PRIVATE version)
endif()
