#include "channel/codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/desk/desktop.h"

namespace orvabridge::channel {
namespace {

constexpr std::byte kCanary{0xCC};

std::vector<std::byte> Filled(size_t size, std::byte value) {
  return std::vector<std::byte>(size, value);
}

std::string Bytes(std::span<const std::byte> bytes, size_t from, size_t count) {
  return std::string(reinterpret_cast<const char*>(bytes.data()) + from, count);
}

bool AllZero(std::span<const std::byte> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}

class TextFieldTest : public ::testing::Test {
 protected:
  void SetUp() override { multibyte_desk_->SetCodePage("CP932"); }

  std::shared_ptr<platform::desk::Desktop> desk_ = platform::desk::Desktop::Create();  // 1252
  std::shared_ptr<platform::desk::Desktop> multibyte_desk_ = platform::desk::Desktop::Create();
  FieldCodec codec_{desk_->AnsiCodePage()};
  FieldCodec multibyte_codec_{multibyte_desk_->AnsiCodePage()};
};

TEST_F(TextFieldTest, WriteZeroPadsShortTextAndCutsLongTextAtTheFieldEnd) {
  auto record = Filled(80, kCanary);
  EXPECT_TRUE(codec_.WriteText(record, {8, kText64}, "0123456789"));
  EXPECT_EQ(Bytes(record, 8, 10), "0123456789");
  EXPECT_TRUE(AllZero(std::span(record).subspan(18, 54)));
  EXPECT_TRUE(codec_.WriteText(record, {8, kText64}, ""));
  EXPECT_TRUE(AllZero(std::span(record).subspan(8, 64)));

  // Text that fills the field has no terminator; longer text is cut and reported.
  EXPECT_TRUE(codec_.WriteText(record, {8, kText64}, std::string(64, 'x')));
  EXPECT_EQ(codec_.ReadText(record, {8, kText64}), std::string(64, 'x'));
  EXPECT_FALSE(codec_.WriteText(record, {8, kText64}, std::string(200, 'y')));
  EXPECT_EQ(Bytes(record, 8, 64), std::string(64, 'y'));
  EXPECT_EQ(record[7], kCanary);
  EXPECT_EQ(record[72], kCanary);
}

TEST_F(TextFieldTest, TextTravelsInTheAnsiCodePageAndNeverSplitsACharacter) {
  auto record = Filled(64, kCanary);
  codec_.WriteText(record, {0, kText64}, "Ren\xC3\xA9");  // "René"
  EXPECT_EQ(Bytes(record, 0, 5), std::string("Ren\xE9\0", 5));
  EXPECT_EQ(codec_.ReadText(record, {0, kText64}), "Ren\xC3\xA9");

  // A double-byte character that would straddle the field end is dropped whole: 63 single
  // bytes, then a character of two bytes in CP932 with room for only one.
  record = Filled(80, kCanary);
  const std::string text = std::string(63, 'a') + "\xE6\x97\xA5" + "b";
  EXPECT_FALSE(multibyte_codec_.WriteText(record, {8, kText64}, text));
  EXPECT_EQ(Bytes(record, 8, 63), std::string(63, 'a'));
  EXPECT_EQ(record[71], std::byte{0});
  EXPECT_EQ(record[72], kCanary);

  const std::string three = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // three characters
  EXPECT_EQ(multibyte_codec_.ToAnsiCut(three, 5).size(), 4u);
  EXPECT_EQ(multibyte_codec_.ToAnsiCut(three, 6).size(), 6u);
}

TEST_F(TextFieldTest, ReadStopsAtTheFirstZeroByteOrTheFieldEnd) {
  auto record = Filled(80, std::byte{'q'});
  record[8] = std::byte{'A'};
  EXPECT_EQ(codec_.ReadText(record, {8, kText64}), "A" + std::string(63, 'q'));
  record[12] = std::byte{0};
  EXPECT_EQ(codec_.ReadText(record, {8, kText64}), "Aqqq");
  record[8] = std::byte{0};
  EXPECT_EQ(codec_.ReadText(record, {8, kText64}), "");
}

TEST_F(TextFieldTest, FieldReachingPastTheRecordNeverTouchesBytesOutsideIt) {
  // A layout fault: debug builds stop on it, others write only the part inside the record.
  auto buffer = Filled(48, kCanary);
  const std::span<std::byte> record(buffer.data(), 32);
  EXPECT_DEBUG_DEATH(codec_.WriteText(record, {16, kText64}, std::string(64, 'w')), "");
#ifdef NDEBUG
  EXPECT_EQ(Bytes(buffer, 16, 16), std::string(16, 'w'));
  EXPECT_TRUE(
      std::all_of(buffer.begin() + 32, buffer.end(), [](std::byte b) { return b == kCanary; }));
#endif
}

TEST(NumberFieldTest, NumbersAreLittleEndianWhateverTheHostAndReadBackWithTheirSign) {
  std::vector<std::byte> record(24, std::byte{0});
  WriteI32(record, {0, 4}, 0x01020304);
  WriteI16(record, {4, 2}, -32768);
  WriteF64(record, {8, 8}, 1.0);  // 0x3FF0000000000000
  WriteU32(record, {16, 4}, 0x80000000u);
  const std::vector<std::byte> expected = {std::byte{0x04}, std::byte{0x03}, std::byte{0x02},
                                           std::byte{0x01}, std::byte{0x00}, std::byte{0x80}};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), record.begin()));
  EXPECT_EQ(record[15], std::byte{0x3F});
  EXPECT_EQ(ReadI16(record, {4, 2}), -32768);
  EXPECT_EQ(ReadU32(record, {16, 4}), 0x80000000u);
  WriteI32(record, {20, 4}, -12);
  EXPECT_EQ(ReadI32(record, {20, 4}), -12);
  EXPECT_EQ(ReadF64(record, {8, 8}), 1.0);
}

TEST(CopyPayloadTest, CopiesAtMostTheRecordAndKeepsWhatAShortPayloadLeaves) {
  auto buffer = Filled(24, kCanary);
  const std::span<std::byte> record(buffer.data(), 16);
  EXPECT_EQ(CopyPayload(record, Filled(6, std::byte{1})), 6u);
  EXPECT_EQ(buffer[5], std::byte{1});
  EXPECT_EQ(buffer[6], kCanary);

  EXPECT_EQ(CopyPayload(record, Filled(40, std::byte{2})), 16u);
  EXPECT_EQ(buffer[15], std::byte{2});
  EXPECT_EQ(buffer[16], kCanary);
}

}  // namespace
}  // namespace orvabridge::channel
