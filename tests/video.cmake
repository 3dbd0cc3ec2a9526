# Video files for the Wine graph tests, made at build time: pictures written by our own AVI
# writer (make_sample) and, from those, compressed files made with ffmpeg. They land in
# video-inputs/ beside platform_tests.exe, which finds them next to itself.
#
# Every picture is four quadrants: red upper left, green upper right, blue lower left, white
# lower right, so that a flipped or mirrored texture shows at once.
#
# Leaves ORVEL_VIDEO_INPUTS (the folder) and the target video_test_inputs for the benchmarks.

if(NOT WIN32)
  return()
endif()

find_program(ORVEL_FFMPEG ffmpeg DOC "ffmpeg, for the compressed test videos")
if(NOT ORVEL_FFMPEG)
  message(WARNING "ffmpeg not found: the compressed test videos are missing and their tests fail")
endif()

set(ORVEL_VIDEO_INPUTS ${CMAKE_CURRENT_BINARY_DIR}/video-inputs)
file(MAKE_DIRECTORY ${ORVEL_VIDEO_INPUTS})
set(orvel_video_inputs "")

# orvel_written_video(NAME ARGS...): a quadrants picture written by make_sample.
function(orvel_written_video name)
  set(out ${ORVEL_VIDEO_INPUTS}/${name})
  orvel_make_video(${out} --pattern quadrants ${ARGN})
  set(orvel_video_inputs ${orvel_video_inputs} ${out} PARENT_SCOPE)
endfunction()

# orvel_ffmpeg_convert(OUT IN ARGS...): the file OUT made by ffmpeg from the file IN.
function(orvel_ffmpeg_convert out in)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${ORVEL_FFMPEG} -nostdin -hide_banner -loglevel error -y -i ${in} ${ARGN} ${out}
    DEPENDS ${in}
    COMMENT "Making test video ${out} with ffmpeg"
    VERBATIM)
endfunction()

# orvel_ffmpeg_video(NAME INPUT ARGS...): NAME made by ffmpeg from the written video INPUT.
function(orvel_ffmpeg_video name input)
  if(NOT ORVEL_FFMPEG)
    return()
  endif()
  set(out ${ORVEL_VIDEO_INPUTS}/${name})
  orvel_ffmpeg_convert(${out} ${ORVEL_VIDEO_INPUTS}/${input} ${ARGN})
  set(orvel_video_inputs ${orvel_video_inputs} ${out} PARENT_SCOPE)
endfunction()

orvel_written_video(quad_320x240.avi --size 320x240 --fps 25 --seconds 1)
orvel_written_video(quad_720x576.avi --size 720x576 --fps 10 --seconds 1)
orvel_written_video(quad_321x241.avi --size 321x241 --fps 25 --seconds 1)
orvel_written_video(quad_320x240_pcm.avi --size 320x240 --fps 25 --seconds 1 --pcm 22050:1:16)
orvel_written_video(quad_320x240_topdown.avi --size 320x240 --fps 25 --seconds 1 --top-down)
orvel_written_video(quad_160x120_short.avi --size 160x120 --fps 25 --seconds 0.4)
orvel_written_video(quad_320x240_long.avi --size 320x240 --fps 25 --seconds 2)
orvel_written_video(quad_320x240_pcm_long.avi --size 320x240 --fps 25 --seconds 2 --pcm 22050:1:16)
# The decoders' own layouts, stored raw: the splitter hands them to the renderer as they are.
foreach(code YUY2 UYVY YV12 I420)
  string(TOLOWER ${code} lower)
  orvel_written_video(quad_${lower}.avi --size 320x240 --fps 25 --seconds 1 --yuv ${code})
endforeach()

orvel_ffmpeg_video(quad_mpeg1.mpg quad_320x240_long.avi -c:v mpeg1video -q:v 2 -f mpeg)
orvel_ffmpeg_video(quad_mjpeg_pcm.avi quad_320x240_pcm_long.avi -c:v mjpeg -q:v 2 -c:a pcm_s16le)
orvel_ffmpeg_video(quad_cinepak.avi quad_320x240_long.avi -c:v cinepak)
orvel_ffmpeg_video(quad_wmv2.wmv quad_320x240_long.avi -c:v wmv2 -q:v 2 -f asf)
orvel_ffmpeg_video(quad_h264.mp4 quad_320x240_long.avi ${ORVEL_H264_MP4})

# A clip whose first half is the quadrants picture and whose second half is the same picture
# turned upside down, so that a test sees from the texture alone when the video has started
# again from its beginning.
if(ORVEL_FFMPEG)
  set(orvel_two_halves ${ORVEL_VIDEO_INPUTS}/two_halves.avi)
  add_custom_command(
    OUTPUT ${orvel_two_halves}
    COMMAND ${ORVEL_FFMPEG} -nostdin -hide_banner -loglevel error -y
            -i ${ORVEL_VIDEO_INPUTS}/quad_160x120_short.avi
            -filter_complex "[0:v]split[a][b];[b]vflip[f];[a][f]concat=n=2:v=1:a=0"
            -c:v rawvideo -pix_fmt bgr24 ${orvel_two_halves}
    DEPENDS ${ORVEL_VIDEO_INPUTS}/quad_160x120_short.avi
    COMMENT "Making test video two_halves.avi with ffmpeg"
    VERBATIM)
  list(APPEND orvel_video_inputs ${orvel_two_halves})
  orvel_ffmpeg_video(two_halves.mp4 two_halves.avi ${ORVEL_H264_MP4})
endif()

# A folder that holds a link to itself: its listing must end all the same.
set(orvel_loop_folder ${ORVEL_VIDEO_INPUTS}/loop_folder)
add_custom_command(
  OUTPUT ${orvel_loop_folder}/a.avi
  COMMAND ${CMAKE_COMMAND} -E make_directory ${orvel_loop_folder}
  COMMAND ${CMAKE_COMMAND} -E copy ${ORVEL_VIDEO_INPUTS}/quad_160x120_short.avi ${orvel_loop_folder}/a.avi
  COMMAND ${CMAKE_COMMAND} -E create_symlink . ${orvel_loop_folder}/loop
  DEPENDS ${ORVEL_VIDEO_INPUTS}/quad_160x120_short.avi
  VERBATIM)
list(APPEND orvel_video_inputs ${orvel_loop_folder}/a.avi)

add_custom_target(video_test_inputs DEPENDS ${orvel_video_inputs})
add_dependencies(platform_tests video_test_inputs)
