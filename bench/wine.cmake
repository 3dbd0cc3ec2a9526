# Wine benchmarks of the video platform paths (Windows build only). They print figures and
# are never part of the test run; bench/wine/run-video-bench.sh runs them under Wine and
# reads the process's memory and descriptors from outside.
if(WIN32)
  add_executable(video_bench ${CMAKE_CURRENT_SOURCE_DIR}/wine/video_bench.cpp)
  target_link_libraries(video_bench PRIVATE orvel_platform)
  # The cycle and leak runs play the files that the tests' build makes.
  if(TARGET video_test_inputs)
    add_dependencies(video_bench video_test_inputs)
  endif()
endif()
