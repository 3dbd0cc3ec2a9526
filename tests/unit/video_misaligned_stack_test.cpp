// The pixel loops called on a stack that is only 4-byte aligned, as 32-bit Windows promises
// and as threads started by other compilers' code (DirectShow's streaming threads, decoders)
// call them: every path of the scalers and of the texture conversion must write the same
// bytes as on an aligned stack, and not fault. 32-bit x86 only; elsewhere the ABI keeps 16.
#include <gtest/gtest.h>

#if defined(__i386__)

#include <cstdint>
#include <functional>
#include <vector>

#include "pixel_paths_here.h"
#include "video/frame_scaler.h"
#include "video/picture_scaler.h"
#include "video/pixel_convert.h"

// Calls function(context) with the stack pointer `misalignment` bytes below a 16-byte
// boundary at the call (0 is what GCC's code assumes).
extern "C" void CallOnMisalignedStack(void (*function)(void*), void* context,
                                      int misalignment) asm("orvel_call_on_misaligned_stack");
asm(R"(
  .text
  .globl orvel_call_on_misaligned_stack
orvel_call_on_misaligned_stack:
  push %ebp
  mov %esp, %ebp
  mov 8(%ebp), %eax
  mov 12(%ebp), %ecx
  mov 16(%ebp), %edx
  and $-16, %esp
  sub %edx, %esp
  sub $12, %esp
  push %ecx
  call *%eax
  mov %ebp, %esp
  pop %ebp
  ret
)");

namespace {

void RunBody(void* body) { (*static_cast<std::function<void()>*>(body))(); }

void CallMisaligned(int misalignment, std::function<void()> body) {
  CallOnMisalignedStack(RunBody, &body, misalignment);
}

std::vector<uint8_t> Pattern(size_t bytes) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = uint8_t(i * 37 + (i >> 8) * 11);
  return data;
}

constexpr int kMisalignments[] = {0, 4, 8, 12};

TEST(MisalignedStack, TextureConversionWritesTheSameBytesOnEveryPath) {
  const std::vector<uint8_t> frame = Pattern(kFrameBytes);
  for (TextureFormat format : {TextureFormat::A8R8G8B8, TextureFormat::A1R5G5B5}) {
    const std::ptrdiff_t pitch = kFrameSide * TextureTexelBytes(format);
    std::vector<uint8_t> expected(size_t(pitch) * kFrameSide);
    ASSERT_TRUE(ConvertFrameToTexture(frame.data(), format, expected.data(), pitch, PixelPath::Scalar));
    for (PixelPath path : PathsHere()) {
      for (int misalignment : kMisalignments) {
        std::vector<uint8_t> texture(expected.size());
        bool converted = false;
        CallMisaligned(misalignment,
                       [&] { converted = ConvertFrameToTexture(frame.data(), format, texture.data(), pitch, path); });
        EXPECT_TRUE(converted) << PathName(path) << ", " << misalignment;
        EXPECT_EQ(texture, expected) << PathName(path) << ", format " << int(format) << ", stack off by "
                                     << misalignment;
      }
    }
  }
}

TEST(MisalignedStack, ScalerWritesTheSameFrameOnEveryPath) {
  struct Size {
    int32_t width, height;
  };
  for (Size size : {Size{640, 360}, Size{100, 75}}) {  // shrunk and enlarged
    const std::vector<uint8_t> source = Pattern(ScaledSourceBytes(size.width, size.height));
    std::vector<uint8_t> expected(kFrameBytes);
    FrameScaler reference;
    ASSERT_TRUE(
        reference.Scale(source.data(), source.size(), size.width, size.height, expected.data(), PixelPath::Scalar));
    for (PixelPath path : PathsHere()) {
      for (int misalignment : kMisalignments) {
        std::vector<uint8_t> frame(kFrameBytes);
        bool scaled = false;
        CallMisaligned(misalignment, [&] {
          FrameScaler scaler;
          scaled = scaler.Scale(source.data(), source.size(), size.width, size.height, frame.data(), path);
        });
        EXPECT_TRUE(scaled) << PathName(path) << ", " << misalignment;
        EXPECT_EQ(frame, expected) << PathName(path) << ", " << size.width << "x" << size.height << ", stack off by "
                                   << misalignment;
      }
    }
  }
}

// Shrunk (the one- and two-channel loops), packed and enlarged (picking, rounding across),
// and of the frame's size (the conversion alone).
TEST(MisalignedStack, PictureScalerWritesTheSameFrameOnEveryPath) {
  struct Case {
    DecodedPicture picture;
    FrameSize output;
  };
  const Case cases[] = {{{DecodedFormat::Nv12, 640, 360, 640, 0, false}, {300, 257}},
                        {{DecodedFormat::Yuy2, 256, 300, 512, 0, false}, {256, 256}},
                        {{DecodedFormat::I420, 257, 256, 257, 0, false}, {257, 256}}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> source = Pattern(DecodedPictureBytes(c.picture));
    std::vector<uint8_t> expected(FrameBytes(c.output));
    PictureScaler reference;
    ASSERT_TRUE(reference.Draw(source.data(), source.size(), c.picture, YuvMatrix::Bt601, expected.data(), c.output,
                               PixelPath::Scalar));
    for (PixelPath path : PathsHere()) {
      for (int misalignment : kMisalignments) {
        std::vector<uint8_t> frame(expected.size());
        bool drawn = false;
        CallMisaligned(misalignment, [&] {
          PictureScaler scaler;
          drawn = scaler.Draw(source.data(), source.size(), c.picture, YuvMatrix::Bt601, frame.data(), c.output, path);
        });
        EXPECT_TRUE(drawn) << PathName(path) << ", " << misalignment;
        EXPECT_EQ(frame, expected) << PathName(path) << ", format " << int(c.picture.format) << ", stack off by "
                                   << misalignment;
      }
    }
  }
}

}  // namespace

#endif  // __i386__
