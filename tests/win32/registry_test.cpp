// What only the Win32 registry backend has beyond the platform contract suite
// (platform/contract/registry_test.cpp): deleting a whole tree, which tests use to clean up.
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
