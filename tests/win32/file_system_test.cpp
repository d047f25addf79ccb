// Folders and append-only files with Windows paths, and the run-time failures their errors become.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <span>
#include <string>

#include "platform/platform.h"
#include "platform/runtime_failure.h"
#include "support/test_platform.h"

namespace orvabridge {
namespace {

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }

int32_t FailureNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeFailure& failure) {
    return failure.number();
  }
  return 0;
}

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto temp = platform_->System().Environment("TEMP");
    ASSERT_TRUE(temp.has_value());
    root_ = *temp + "\\orvabridge-files-" + std::to_string(std::random_device()());
    files_.CreateFolder(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(root_), ignored);
  }

  std::shared_ptr<platform::Platform> platform_ = platform::DefaultPlatform();
  platform::FileSystem& files_ = platform_->Files();
  std::string root_;
};

TEST_F(Win32FileSystemTest, FoldersAreCreatedOneLevelAtATime) {
  EXPECT_TRUE(files_.FolderExists(root_));
  EXPECT_FALSE(files_.FolderExists(root_ + "\\WS"));
  files_.CreateFolder(root_ + "\\WS");
  EXPECT_TRUE(files_.FolderExists(root_ + "\\WS"));

  EXPECT_EQ(FailureNumber([&] { files_.CreateFolder(root_ + "\\A\\B"); }), failure::kPathNotFound);
  EXPECT_EQ(FailureNumber([&] { files_.CreateFolder(root_ + "\\WS"); }),
            failure::kPathFileAccessError);
}

TEST_F(Win32FileSystemTest, AppendingKeepsWhatIsThereAndCreatesWhatIsNot) {
  const std::string path = root_ + "\\WS.TXT";
  files_.OpenAppend(path)->Write(Bytes("first\r\n"));
  {
    auto stream = files_.OpenAppend(path);
    stream->Write(Bytes("second\r\n"));
    stream->Write(Bytes("third\r\n"));
  }

  EXPECT_EQ(testing::ReadTestFile(*platform_, path), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(Win32FileSystemTest, AFileOpenForAppendingIsReadableButNotWritableByOthers) {
  const std::string path = root_ + "\\WS.TXT";
  auto stream = files_.OpenAppend(path);
  stream->Write(Bytes("line\r\n"));

  EXPECT_EQ(testing::ReadTestFile(*platform_, path), "line\r\n");
  EXPECT_EQ(FailureNumber([&] { files_.OpenAppend(path); }), failure::kPermissionDenied);
}

TEST_F(Win32FileSystemTest, AFileInAMissingFolderIsAMissingPath) {
  EXPECT_EQ(FailureNumber([&] { files_.OpenAppend(root_ + "\\missing\\WS.TXT"); }),
            failure::kPathNotFound);
}

}  // namespace
}  // namespace orvabridge
