// The size the video texture (and the frame surface with it) is made at: as large as the
// scene shows it, within what the device takes and never larger than the video itself.
// Portable; pure functions, called on the main thread.
#pragma once

#include <cstdint>

#include "video/pixel_convert.h"

// What the device lets a texture be, from its caps and its free texture memory.
struct TextureLimits {
  int32_t maxWidth = kFrameSide;
  int32_t maxHeight = kFrameSide;
  bool powersOfTwo = true;  // sides must be powers of two
  bool squareOnly = false;
  uint64_t memoryBytes = 0;  // free texture memory; 0 when the device does not say
  int texelBytes = 4;
};

// The limits of a device from D3DCAPS8's MaxTextureWidth, MaxTextureHeight and TextureCaps
// (the D3DPTEXTURECAPS_ bits), GetAvailableTextureMem and the texture format's texel size.
// Sides that are not powers of two are taken where the caps do not ask for powers of two,
// or allow others conditionally (one level and clamped addressing, as the video texture is
// made and drawn).
TextureLimits MakeTextureLimits(uint32_t maxWidth, uint32_t maxHeight, uint32_t textureCaps, uint64_t memoryBytes,
                                int texelBytes);

// The texture's size for a scene that shows it largest at `shown` screen pixels and a
// video of `video` pixels ({0, 0} while none is shown). Each side: the shown size, no more
// than the video's (a small video is enlarged by the device's filter), then at least
// kFrameSide and at most kLargestFrameSide and the device's maximum, rounded to the nearest
// power of two where the device needs one (down where that exceeds the maximum), both sides
// the longer where it takes squares only, and halved, longer side first, until it fits the
// texture memory or reaches kFrameSide.
FrameSize ChooseTextureSize(const TextureLimits& limits, FrameSize shown, FrameSize video);
