# The project's own CMake helpers and the test reports' folder, included once by the
# top-level file before any folder.
#
#   ORVEL_TEST_RESULTS             where every test program writes its GoogleTest XML
#                                  report; scripts/test.sh sums them
#   ORVEL_TEST_RESULTS_SEEN        the same folder as the test programs name it (under Wine
#                                  the root of the Unix file system is drive Z:, and a path
#                                  without a drive would be relative to the working folder)
#   orvel_add_gtest(NAME ARGS...)  a GoogleTest program as one CTest test, with its XML
#                                  report in ORVEL_TEST_RESULTS for scripts/test.sh
#   orvel_make_video(OUT ARGS...)  OUT written at build time by our own make_sample with
#                                  ARGS (none: the sample video); needs ORVEL_MAKE_SAMPLE
#                                  and ORVEL_MAKE_SAMPLE_TARGET, left by tools/
#   ORVEL_X87_FLOAT_FLAGS          what a build whose float arithmetic runs on the x87 unit
#                                  (the 32-bit Windows one) compiles with: x87 registers hold
#                                  64-bit mantissas, and GCC rounds a result to float only
#                                  when it happens to leave a register, so every float
#                                  variable is rounded where it is stored. The scenes keep
#                                  one step per variable, which gives the values of SSE.

set(ORVEL_X87_FLOAT_FLAGS -ffloat-store)
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(${ORVEL_X87_FLOAT_FLAGS})
endif()

set(ORVEL_TEST_RESULTS ${CMAKE_BINARY_DIR}/test-results)
file(MAKE_DIRECTORY ${ORVEL_TEST_RESULTS})
set(ORVEL_TEST_RESULTS_SEEN "${ORVEL_TEST_RESULTS}")
if(WIN32)
  set(ORVEL_TEST_RESULTS_SEEN "Z:${ORVEL_TEST_RESULTS}")
endif()

function(orvel_add_gtest name)
  add_test(NAME ${name}
           COMMAND ${name} --gtest_output=xml:${ORVEL_TEST_RESULTS_SEEN}/${name}.xml ${ARGN}
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

function(orvel_make_video out)
  get_filename_component(folder ${out} DIRECTORY)
  get_filename_component(name ${out} NAME)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${ORVEL_MAKE_SAMPLE} ${ARGN} ${out}
    DEPENDS ${ORVEL_MAKE_SAMPLE_TARGET} ${ORVEL_MAKE_SAMPLE}
    COMMENT "Writing the video ${name}"
    VERBATIM)
endfunction()

# ffmpeg's options for H.264 in MP4 as phones and cameras write it (4:2:0, the index at the
# front), for the test and benchmark videos made with ffmpeg.
set(ORVEL_H264_MP4 -c:v libx264 -pix_fmt yuv420p -preset veryfast -movflags +faststart)
