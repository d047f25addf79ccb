#include "platform/pe_header.h"

namespace orvabridge::platform {
namespace {

constexpr size_t kPeOffsetField = 0x3C;  // e_lfanew: where the PE signature starts

uint32_t Little(std::span<const std::byte> bytes, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    value |= static_cast<uint32_t>(std::to_integer<uint8_t>(bytes[at + i])) << (8 * i);
  }
  return value;
}

}  // namespace

std::optional<uint16_t> PeMachine(std::span<const std::byte> head) {
  if (head.size() < kPeOffsetField + 4 || Little(head, 0, 2) != 0x5A4D) return std::nullopt;  // MZ
  const uint32_t signature = Little(head, kPeOffsetField, 4);
  // The signature (4 bytes) and the machine field (2 bytes) must both lie within `head`.
  if (signature > head.size() || head.size() - signature < 6) return std::nullopt;
  if (Little(head, signature, 4) != 0x00004550) return std::nullopt;  // "PE\0\0"
  return static_cast<uint16_t>(Little(head, signature + 4, 2));
}

}  // namespace orvabridge::platform
