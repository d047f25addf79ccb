// The registry through the ANSI calls: keys created and opened under the current user, values
// written and read back with the length rules of a value query.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_registry.h"

namespace orvabridge {
namespace {

using platform::RegistryRoot;
using platform::RegStatus;

constexpr char kTestKey[] = "Software\\Orvabridge Tests\\Registry";

std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> bytes(text.size());
  std::memcpy(bytes.data(), text.data(), text.size());
  return bytes;
}

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto key = registry_.CreateKey(RegistryRoot::kCurrentUser, kTestKey, "1", platform::kKeyCreate);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->SetValue("Text", platform::kRegSz, Bytes(std::string_view("abc\0", 4))),
              RegStatus::kOk);
    ASSERT_EQ(key->SetValue("List", platform::kRegMultiSz, Bytes(std::string_view("A\0B\0\0", 5))),
              RegStatus::kOk);
  }
  // Nothing left behind on a real machine.
  void TearDown() override {
    static_cast<platform::win32::Win32Registry&>(registry_).DeleteTree(
        RegistryRoot::kCurrentUser, "Software\\Orvabridge Tests");
  }

  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  platform::Registry& registry_ = platform_->Reg();
};

TEST_F(Win32RegistryTest, AValueWrittenIsReadBackWithItsTypeAndLength) {
  auto key = registry_.OpenKey(RegistryRoot::kCurrentUser, kTestKey, platform::kKeyRead);
  ASSERT_NE(key, nullptr);
  std::byte buffer[100] = {};
  uint32_t type = 0;
  uint32_t length = sizeof(buffer);

  ASSERT_EQ(key->QueryValue("Text", type, buffer, length), RegStatus::kOk);
  EXPECT_EQ(type, platform::kRegSz);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(buffer, "abc", 4), 0);

  length = sizeof(buffer);
  ASSERT_EQ(key->QueryValue("List", type, buffer, length), RegStatus::kOk);
  EXPECT_EQ(type, platform::kRegMultiSz);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), length), std::string("A\0B\0\0", 5));
}

TEST_F(Win32RegistryTest, ASizeQueryAndATooSmallBufferReportTheLengthNeeded) {
  auto key = registry_.OpenKey(RegistryRoot::kCurrentUser, kTestKey, platform::kKeyRead);
  ASSERT_NE(key, nullptr);
  uint32_t type = 0;
  uint32_t length = 0;
  EXPECT_EQ(key->QueryValue("Text", type, nullptr, length), RegStatus::kOk);
  EXPECT_GE(length, 4u);

  std::byte small[2] = {};
  length = sizeof(small);
  EXPECT_EQ(key->QueryValue("Text", type, small, length), RegStatus::kMoreData);
  EXPECT_GE(length, 4u);
}

TEST_F(Win32RegistryTest, MissingKeysAndValuesAreReportedAsSuch) {
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::kCurrentUser, "Software\\Orvabridge Tests\\Missing",
                              platform::kKeyRead),
            nullptr);
  auto key = registry_.OpenKey(RegistryRoot::kCurrentUser, kTestKey, platform::kKeyRead);
  ASSERT_NE(key, nullptr);
  std::byte buffer[16] = {};
  uint32_t type = 0;
  uint32_t length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("Missing", type, buffer, length), RegStatus::kNotFound);
}

TEST_F(Win32RegistryTest, AKeyOpenedForReadingRefusesWrites) {
  auto key = registry_.OpenKey(RegistryRoot::kCurrentUser, kTestKey, platform::kKeyRead);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->SetValue("Text", platform::kRegSz, Bytes(std::string_view("x\0", 2))),
            RegStatus::kAccessDenied);
}

TEST_F(Win32RegistryTest, DeletingATreeRemovesTheKeyWithEverythingBelowIt) {
  ASSERT_NE(
      registry_.CreateKey(RegistryRoot::kCurrentUser, std::string(kTestKey) + "\\Inner\\Deeper", "",
                          platform::kKeyCreate),
      nullptr);
  auto& win32_registry = static_cast<platform::win32::Win32Registry&>(registry_);

  EXPECT_TRUE(win32_registry.DeleteTree(RegistryRoot::kCurrentUser, kTestKey));
  EXPECT_EQ(registry_.OpenKey(RegistryRoot::kCurrentUser, kTestKey, platform::kKeyRead), nullptr);
  EXPECT_TRUE(win32_registry.DeleteTree(RegistryRoot::kCurrentUser, kTestKey)) << "already gone";
  EXPECT_FALSE(win32_registry.DeleteTree(RegistryRoot::kCurrentUser, ""));
}

}  // namespace
}  // namespace orvabridge
