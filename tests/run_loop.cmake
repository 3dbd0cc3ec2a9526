# Solid-colour videos for the run-loop and end-to-end tests, written at build time by our
# own make_sample into run-inputs/ beside the test programs, and the same as H.264 MP4.
if(NOT WIN32)
  return()
endif()

set(orvel_run_inputs_dir ${CMAKE_CURRENT_BINARY_DIR}/run-inputs)
set(orvel_run_inputs "")
foreach(colour "red:FF0000" "green:00FF00" "blue:0000FF")
  string(REPLACE ":" ";" parts ${colour})
  list(GET parts 0 name)
  list(GET parts 1 color)
  set(out ${orvel_run_inputs_dir}/solid_${name}.avi)
  orvel_make_video(${out} --pattern solid --color ${color} --size 160x120 --fps 20 --seconds 1)
  list(APPEND orvel_run_inputs ${out})
  if(ORVEL_FFMPEG)
    orvel_ffmpeg_convert(${orvel_run_inputs_dir}/solid_${name}.mp4 ${out} ${ORVEL_H264_MP4})
    list(APPEND orvel_run_inputs ${orvel_run_inputs_dir}/solid_${name}.mp4)
  endif()
endforeach()
# The other kinds a folder holds: a green MPEG-1 and a white WMV.
set(out ${orvel_run_inputs_dir}/solid_white.avi)
orvel_make_video(${out} --pattern solid --color FFFFFF --size 160x120 --fps 20 --seconds 1)
if(ORVEL_FFMPEG)
  orvel_ffmpeg_convert(${orvel_run_inputs_dir}/solid_green.mpg ${orvel_run_inputs_dir}/solid_green.avi
                       -c:v mpeg1video -r 25 -q:v 2 -f mpeg)
  orvel_ffmpeg_convert(${orvel_run_inputs_dir}/solid_white.wmv ${out} -c:v wmv2 -q:v 2 -f asf)
  list(APPEND orvel_run_inputs ${orvel_run_inputs_dir}/solid_green.mpg ${orvel_run_inputs_dir}/solid_white.wmv)
endif()
# Red at the left, blue at the right: where each monitor's part of the picture comes from.
set(out ${orvel_run_inputs_dir}/halves.avi)
orvel_make_video(${out} --pattern halves --size 160x120 --fps 20 --seconds 1)
list(APPEND orvel_run_inputs ${out})
# A long one, for what happens in the middle of a file.
set(out ${orvel_run_inputs_dir}/long_red.avi)
orvel_make_video(${out} --pattern solid --color FF0000 --size 32x24 --fps 10 --seconds 60)
list(APPEND orvel_run_inputs ${out})
add_custom_target(run_test_inputs DEPENDS ${orvel_run_inputs})
add_dependencies(platform_tests run_test_inputs)
add_dependencies(e2e_tests run_test_inputs)

# The end-to-end runs fall back on the sample video beside orvel.scr.
add_dependencies(e2e_tests sample_video)
