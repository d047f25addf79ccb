// The machine field of a PE file, read from its first bytes; anything else is no PE file.
#include <gtest/gtest.h>

#include <vector>

#include "platform/machine_survey.h"
#include "platform/pe_header.h"

namespace orvabridge::platform {
namespace {

// A DOS header whose pointer at 0x3C names the PE signature at `at`, followed by `machine`.
std::vector<std::byte> Head(uint32_t at, uint16_t machine, size_t size = 512) {
  std::vector<std::byte> head(size, std::byte{0});
  head[0] = std::byte{'M'};
  head[1] = std::byte{'Z'};
  for (int i = 0; i < 4; ++i) head[0x3C + i] = std::byte(static_cast<uint8_t>(at >> (8 * i)));
  if (at + 6 <= size) {
    head[at] = std::byte{'P'};
    head[at + 1] = std::byte{'E'};
    head[at + 4] = std::byte(static_cast<uint8_t>(machine));
    head[at + 5] = std::byte(static_cast<uint8_t>(machine >> 8));
  }
  return head;
}

TEST(PeHeader, TheMachineFieldFollowsTheSignatureTheDosHeaderPointsAt) {
  EXPECT_EQ(PeMachine(Head(0x80, kMachineX64)), kMachineX64);
  EXPECT_EQ(PeMachine(Head(0x100, kMachineX86)), kMachineX86);
  EXPECT_EQ(PeMachine(Head(0xF8, kMachineArm64)), kMachineArm64);
}

TEST(PeHeader, ANonPeFileOrAHeaderBeyondTheBytesReadIsNoMachine) {
  auto no_mz = Head(0x80, kMachineX64);
  no_mz[0] = std::byte{'X'};
  EXPECT_EQ(PeMachine(no_mz), std::nullopt);

  auto no_signature = Head(0x80, kMachineX64);
  no_signature[0x81] = std::byte{'X'};
  EXPECT_EQ(PeMachine(no_signature), std::nullopt);

  // The pointer names a place past the bytes, or so close to their end that the field is cut.
  EXPECT_EQ(PeMachine(Head(0x400, kMachineX64, 512)), std::nullopt);
  EXPECT_EQ(PeMachine(Head(508, kMachineX64, 512)), std::nullopt);
  EXPECT_EQ(PeMachine(Head(0xFFFFFFF0, kMachineX64)), std::nullopt);
  EXPECT_EQ(PeMachine(std::vector<std::byte>(10)), std::nullopt);
}

}  // namespace
}  // namespace orvabridge::platform
