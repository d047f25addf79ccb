// Folders and append-only files with Windows paths on the platform of the build, and the
// run-time failures their errors become.
#include <filesystem>
#include <functional>
#include <random>
#include <span>
#include <string>

#include "platform/contract/contract_fixture.h"
#include "platform/runtime_failure.h"
#include "support/failure_number.h"

namespace orvabridge::platform::contract {
namespace {

std::span<const std::byte> Bytes(std::string_view text) { return std::as_bytes(std::span(text)); }

using testing::FailureNumber;

// Each test works in a folder of its own below TEMP.
class PlatformFiles : public PlatformTest {
 protected:
  void SetUp() override {
    const auto temp = platform_->System().Environment("TEMP");
    ASSERT_TRUE(temp.has_value());
    root_ = *temp + "\\orvabridge-files-" + std::to_string(std::random_device()());
    files_.CreateFolder(root_);
  }
  void TearDown() override {
    // The desktop's files go with the desktop; a real machine keeps them.
    if (kWin32) {
      std::error_code ignored;
      std::filesystem::remove_all(std::filesystem::path(root_), ignored);
    }
  }

  FileSystem& files_ = platform_->Files();
  std::string root_;
};

TEST_F(PlatformFiles, FoldersAreCreatedOneLevelAtATime) {
  EXPECT_TRUE(files_.FolderExists(root_));
  EXPECT_FALSE(files_.FolderExists(root_ + "\\WS"));
  files_.CreateFolder(root_ + "\\WS");
  EXPECT_TRUE(files_.FolderExists(root_ + "\\WS"));

  EXPECT_EQ(FailureNumber([&] { files_.CreateFolder(root_ + "\\A\\B"); }), failure::kPathNotFound);
  EXPECT_EQ(FailureNumber([&] { files_.CreateFolder(root_ + "\\WS"); }),
            failure::kPathFileAccessError);
}

TEST_F(PlatformFiles, AppendingKeepsWhatIsThereAndCreatesWhatIsNot) {
  const std::string path = root_ + "\\WS.TXT";
  files_.OpenAppend(path)->Write(Bytes("first\r\n"));
  {
    auto stream = files_.OpenAppend(path);
    stream->Write(Bytes("second\r\n"));
    stream->Write(Bytes("third\r\n"));
  }

  EXPECT_EQ(testing::ReadTestFile(*platform_, path), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(PlatformFiles, AFileOpenForAppendingIsReadableButNotWritableByOthers) {
  const std::string path = root_ + "\\WS.TXT";
  auto stream = files_.OpenAppend(path);
  stream->Write(Bytes("line\r\n"));

  EXPECT_EQ(testing::ReadTestFile(*platform_, path), "line\r\n");
  EXPECT_EQ(FailureNumber([&] { files_.OpenAppend(path); }), failure::kPermissionDenied);
}

TEST_F(PlatformFiles, AFileInAMissingFolderIsAMissingPath) {
  EXPECT_EQ(FailureNumber([&] { files_.OpenAppend(root_ + "\\missing\\WS.TXT"); }),
            failure::kPathNotFound);
}

}  // namespace
}  // namespace orvabridge::platform::contract
