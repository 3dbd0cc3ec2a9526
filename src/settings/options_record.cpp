// Defaults and decoding of the settings record. Main thread only.
#include "settings/options_record.h"

#include <cstring>

SaverOptions saverOptions;

namespace {

constexpr std::size_t kSlotOffsets[kVideoSlotCount] = {60, 320, 604, 864, 1148, 1408, 1692, 1952, 2236, 2496};
constexpr std::size_t kReservedOffsets[] = {580, 1124, 1668, 2212};

}  // namespace

char* VideoFileSlot(SaverOptions& options, int slot) {
  if (slot < 1 || slot > static_cast<int>(kVideoSlotCount)) return nullptr;
  return reinterpret_cast<char*>(&options) + kSlotOffsets[slot - 1];
}

const char* VideoFileSlot(const SaverOptions& options, int slot) {
  return VideoFileSlot(const_cast<SaverOptions&>(options), slot);
}

void SetDefaultOptions(SaverOptions& options) {
  options.shape = 1;
  options.gridStyle = 0;
  options.gridColumns = 10;
  options.gridRows = 10;
  options.cuboidCount = 6;
  options.cuboidTranslucent = 0;
  options.showBackground = 1;
  options.backgroundColor = 0x008C5F00;
  options.cuboidBlendColor = 0x006161AF;
  options.rotationSpeed = 800.0f;
  options.rotationAngle = 5;
  options.starCount = 800;
  options.starTranslucent = 0;
  options.starSpeed = 350.0f;
  options.starReserved = 0;
  options.starSize = 5.0f;
  for (int slot = 1; slot <= static_cast<int>(kVideoSlotCount); ++slot) VideoFileSlot(options, slot)[0] = '\0';
  auto* bytes = reinterpret_cast<unsigned char*>(&options);
  for (std::size_t offset : kReservedOffsets) std::memset(bytes + offset, 0, 24);
}

void TerminateVideoSlots(SaverOptions& options) {
  // A slot that already ends keeps its bytes after the terminator (left there by a longer
  // path it once held): cutting it anyway would change the value at the next save.
  for (int slot = 1; slot <= static_cast<int>(kVideoSlotCount); ++slot) {
    char* path = VideoFileSlot(options, slot);
    if (std::memchr(path, '\0', kVideoPathSize) == nullptr) path[kVideoPathMaxLength] = '\0';
  }
}

void ApplyStoredOptions(SaverOptions& options, StoredValueRead how, const void* bytes, std::size_t size) {
  if (how == StoredValueRead::Read && bytes != nullptr) {
    if (size > sizeof(SaverOptions)) size = sizeof(SaverOptions);
    std::memcpy(&options, bytes, size);
  }
  TerminateVideoSlots(options);
}
