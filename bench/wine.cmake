# Wine benchmarks of the video platform paths (Windows build only). They print figures and
# are never part of the test run; bench/wine/run-video-bench.sh runs them under Wine and
# reads the process's memory and descriptors from outside.
if(WIN32)
  add_executable(video_bench ${CMAKE_CURRENT_SOURCE_DIR}/wine/video_bench.cpp
                             ${CMAKE_CURRENT_SOURCE_DIR}/wine/frames_drawn.cpp)
  target_link_libraries(video_bench PRIVATE orvel_platform orvel_test_support msvfw32)
  # Frames count when they reached the texture: the platform layer's calls of the frame
  # surface's DrawPictureIntoTexture go through the benchmark's counter (wine/frames_drawn.h).
  target_link_options(video_bench PRIVATE -Wl,--wrap=_Z22DrawPictureIntoTexturelR13PictureScalerPKhyRK14DecodedPicture9YuvMatrix)
  target_include_directories(video_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  # The cycle and leak runs play the files that the tests' build makes.
  if(TARGET video_test_inputs)
    add_dependencies(video_bench video_test_inputs)
  endif()
  # Ten seconds of 1920x1080 H.264 in MP4 (BT.709, as HD is tagged), for the two ways of
  # playing it.
  if(ORVEL_FFMPEG)
    set(orvel_hd_mp4 ${CMAKE_CURRENT_BINARY_DIR}/video-bench-inputs/testsrc_1920x1080_h264.mp4)
    add_custom_command(
      OUTPUT ${orvel_hd_mp4}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/video-bench-inputs
      COMMAND ${ORVEL_FFMPEG} -nostdin -hide_banner -loglevel error -y
              -f lavfi -i testsrc2=size=1920x1080:rate=25:duration=10
              -vf scale=out_color_matrix=bt709 -colorspace bt709 ${ORVEL_H264_MP4} ${orvel_hd_mp4}
      COMMENT "Making the HD H.264 benchmark video with ffmpeg"
      VERBATIM)
    add_custom_target(video_bench_inputs DEPENDS ${orvel_hd_mp4})
    add_dependencies(video_bench video_bench_inputs)
  endif()
endif()

# The whole saver under Wine: saver_bench writes each case's settings and times the start of
# a full-screen run; bench/wine/run-saver-bench.sh runs the cases and reads frame rate and
# CPU time from outside. The 640x480 clip it plays is made by our own make_sample.
if(WIN32)
  add_executable(saver_bench ${CMAKE_CURRENT_SOURCE_DIR}/wine/saver_bench.cpp)
  target_link_libraries(saver_bench PRIVATE orvel_core orvel_test_support user32 gdi32 advapi32)
  target_compile_definitions(saver_bench PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)

  set(orvel_saver_bench_video ${CMAKE_CURRENT_BINARY_DIR}/saver-inputs/quadrants_640x480.avi)
  orvel_make_video(${orvel_saver_bench_video} --pattern quadrants --size 640x480 --fps 25 --seconds 4)
  # Three short clips for the soak (run-soak.sh): a video switch every 0.3 s of playing.
  set(orvel_soak_videos)
  foreach(colour 20a040 c04020 2040c0)
    set(clip ${CMAKE_CURRENT_BINARY_DIR}/saver-inputs/soak_${colour}.avi)
    orvel_make_video(${clip} --pattern solid --color ${colour} --size 160x120 --fps 20 --seconds 0.3)
    list(APPEND orvel_soak_videos ${clip})
  endforeach()
  add_custom_target(saver_bench_inputs DEPENDS ${orvel_saver_bench_video} ${orvel_soak_videos})
  add_dependencies(saver_bench saver_bench_inputs)
endif()
