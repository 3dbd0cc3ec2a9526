// The texture size rule. Main thread (no state).
#include "video/texture_size.h"

#include <algorithm>

namespace {

constexpr uint32_t kCapsPowersOfTwo = 0x2;          // D3DPTEXTURECAPS_POW2
constexpr uint32_t kCapsSquareOnly = 0x20;          // D3DPTEXTURECAPS_SQUAREONLY
constexpr uint32_t kCapsOthersConditional = 0x100;  // D3DPTEXTURECAPS_NONPOW2CONDITIONAL

// The power of two nearest `side` (the larger one on a tie), at most `limit` (itself at
// least 1).
int32_t NearestPowerOfTwo(int32_t side, int32_t limit) {
  int32_t below = 1;
  while (below * 2 <= side) below *= 2;
  const int32_t above = below == side ? side : below * 2;
  int32_t chosen = above - side <= side - below ? above : below;
  while (chosen > limit && chosen > 1) chosen /= 2;
  return chosen;
}

int32_t FitSide(int32_t shown, int32_t video, int32_t deviceMax, bool powersOfTwo) {
  int32_t side = shown;
  if (video > 0) side = std::min(side, video);
  const int32_t limit = std::max(1, std::min(kLargestFrameSide, deviceMax));
  side = std::min(std::max(side, kFrameSide), limit);
  return powersOfTwo ? NearestPowerOfTwo(side, limit) : side;
}

uint64_t TextureBytes(FrameSize size, int texelBytes) { return uint64_t(size.width) * size.height * texelBytes; }

int32_t Halved(int32_t side, bool powersOfTwo) {
  const int32_t half = powersOfTwo ? side / 2 : (side + 1) / 2;
  return std::max(half, kFrameSide);
}

}  // namespace

TextureLimits MakeTextureLimits(uint32_t maxWidth, uint32_t maxHeight, uint32_t textureCaps, uint64_t memoryBytes,
                                int texelBytes) {
  TextureLimits limits;
  limits.maxWidth = int32_t(std::min<uint32_t>(maxWidth, kLargestFrameSide));
  limits.maxHeight = int32_t(std::min<uint32_t>(maxHeight, kLargestFrameSide));
  limits.powersOfTwo = (textureCaps & kCapsPowersOfTwo) != 0 && (textureCaps & kCapsOthersConditional) == 0;
  limits.squareOnly = (textureCaps & kCapsSquareOnly) != 0;
  limits.memoryBytes = memoryBytes;
  limits.texelBytes = texelBytes > 0 ? texelBytes : 4;
  return limits;
}

FrameSize ChooseTextureSize(const TextureLimits& limits, FrameSize shown, FrameSize video) {
  FrameSize size{FitSide(shown.width, video.width, limits.maxWidth, limits.powersOfTwo),
                 FitSide(shown.height, video.height, limits.maxHeight, limits.powersOfTwo)};
  if (limits.squareOnly) {
    const int32_t side = std::min(std::max(size.width, size.height), std::min(limits.maxWidth, limits.maxHeight));
    size = {side, side};
  }
  if (limits.memoryBytes == 0) return size;
  while (TextureBytes(size, limits.texelBytes) > limits.memoryBytes &&
         (size.width > kFrameSide || size.height > kFrameSide)) {
    if (limits.squareOnly) {
      size.width = size.height = Halved(size.width, limits.powersOfTwo);
    } else if (size.width >= size.height) {
      size.width = Halved(size.width, limits.powersOfTwo);
    } else {
      size.height = Halved(size.height, limits.powersOfTwo);
    }
  }
  return size;
}
