// The registry on the platform of the build, through the ANSI calls: keys created and opened
// under the current user, values written and read back with the length rules of a value query.
#include <cstring>
#include <string>
#include <vector>

#include "platform/contract/contract_fixture.h"

namespace orvabridge::platform::contract {
namespace {

// Removed before each test on Windows, with the other keys tests write (support/win32).
constexpr char kTestKey[] = "Software\\Orvabridge Tests\\Registry";

class PlatformRegistry : public PlatformTest {
 protected:
  void SetUp() override {
    auto key = registry().CreateKey(RegistryRoot::kCurrentUser, kTestKey, "1", kKeyCreate);
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->SetValue("Text", kRegSz, Bytes(std::string_view("abc\0", 4))), RegStatus::kOk);
    ASSERT_EQ(key->SetValue("List", kRegMultiSz, Bytes(std::string_view("A\0B\0\0", 5))),
              RegStatus::kOk);
  }
  Registry& registry() { return platform_->Reg(); }
};

TEST_F(PlatformRegistry, AValueWrittenIsReadBackWithItsTypeAndLength) {
  auto key = registry().OpenKey(RegistryRoot::kCurrentUser, kTestKey, kKeyRead);
  ASSERT_NE(key, nullptr);
  std::byte buffer[100] = {};
  uint32_t type = 0;
  uint32_t length = sizeof(buffer);

  ASSERT_EQ(key->QueryValue("Text", type, buffer, length), RegStatus::kOk);
  EXPECT_EQ(type, kRegSz);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(std::memcmp(buffer, "abc", 4), 0);

  length = sizeof(buffer);
  ASSERT_EQ(key->QueryValue("List", type, buffer, length), RegStatus::kOk);
  EXPECT_EQ(type, kRegMultiSz);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), length), std::string("A\0B\0\0", 5));
}

TEST_F(PlatformRegistry, ASizeQueryAndATooSmallBufferReportTheLengthNeeded) {
  auto key = registry().OpenKey(RegistryRoot::kCurrentUser, kTestKey, kKeyRead);
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

TEST_F(PlatformRegistry, MissingKeysAndValuesAreReportedAsSuch) {
  EXPECT_EQ(registry().OpenKey(RegistryRoot::kCurrentUser, "Software\\Orvabridge Tests\\Missing",
                               kKeyRead),
            nullptr);
  auto key = registry().OpenKey(RegistryRoot::kCurrentUser, kTestKey, kKeyRead);
  ASSERT_NE(key, nullptr);
  std::byte buffer[16] = {};
  uint32_t type = 0;
  uint32_t length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("Missing", type, buffer, length), RegStatus::kNotFound);
}

TEST_F(PlatformRegistry, AKeyOpenedForReadingRefusesWrites) {
  auto key = registry().OpenKey(RegistryRoot::kCurrentUser, kTestKey, kKeyRead);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->SetValue("Text", kRegSz, Bytes(std::string_view("x\0", 2))),
            RegStatus::kAccessDenied);
  EXPECT_EQ(key->DeleteValue("Text"), RegStatus::kAccessDenied);
}

TEST_F(PlatformRegistry, ADeletedValueIsGoneAndASecondDeleteFindsNothing) {
  auto key = registry().OpenKey(RegistryRoot::kCurrentUser, kTestKey, kKeyCreate);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->DeleteValue("text"), RegStatus::kOk);  // names ignore letter case
  std::byte buffer[16] = {};
  uint32_t type = 0, length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("Text", type, buffer, length), RegStatus::kNotFound);
  EXPECT_EQ(key->DeleteValue("Text"), RegStatus::kNotFound);
  length = sizeof(buffer);
  EXPECT_EQ(key->QueryValue("List", type, buffer, length), RegStatus::kOk);  // the others stay
}

}  // namespace
}  // namespace orvabridge::platform::contract
