// Folders and append-only files with Windows paths on the platform of the build, and the
// run-time failures their errors become.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <vector>

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

// What a program that takes over another's file relies on: the rename fails while the writer
// has the file open, and succeeds once it lets go.
TEST_F(PlatformFiles, AFileIsRenamedOnlyWhileNobodyWritesIt) {
  const std::string path = root_ + "\\WS.TXT", taken = root_ + "\\WS.TXT.1.claimed";
  auto writer = files_.OpenAppend(path);
  writer->Write(Bytes("line\r\n"));
  EXPECT_EQ(FailureNumber([&] { files_.RenameFile(path, taken); }), failure::kPermissionDenied);
  writer.reset();
  files_.RenameFile(path, taken);
  EXPECT_FALSE(files_.FileSize(path).has_value());
  EXPECT_EQ(files_.ReadWholeFile(taken), "line\r\n");
  EXPECT_EQ(FailureNumber([&] { files_.RenameFile(path, taken); }), failure::kFileNotFound);
}

TEST_F(PlatformFiles, WholeFilesAreReadReplacedListedAndRemoved) {
  const std::string path = root_ + "\\journal";
  EXPECT_EQ(FailureNumber([&] { files_.ReadWholeFile(path); }), failure::kFileNotFound);
  files_.WriteFileDurably(path, "first, longer content");
  files_.WriteFileDurably(path, std::string("second\0with a zero", 18));
  EXPECT_EQ(files_.ReadWholeFile(path), std::string("second\0with a zero", 18));
  files_.CreateFolder(root_ + "\\sub");
  files_.OpenAppend(root_ + "\\other.txt")->Write(Bytes("x"));
  auto names = files_.FilesInFolder(root_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"journal", "other.txt"}));  // no folder, no leftover

  EXPECT_TRUE(files_.RemoveFile(path));
  EXPECT_FALSE(files_.RemoveFile(path));
  EXPECT_EQ(files_.FilesInFolder(root_), std::vector<std::string>{"other.txt"});
  EXPECT_EQ(FailureNumber([&] { files_.FilesInFolder(root_ + "\\missing"); }),
            failure::kPathNotFound);
}

// What a program that waits for a folder (a share not there yet) tells its user.
TEST_F(PlatformFiles, AFolderCheckSaysWhyAFolderCannotBeListed) {
  EXPECT_EQ(files_.CheckFolder(root_).state, FolderState::kReadable);  // empty
  files_.OpenAppend(root_ + "\\WS.TXT")->Write(Bytes("x"));
  EXPECT_EQ(files_.CheckFolder(root_ + "\\").state, FolderState::kReadable);
  EXPECT_EQ(files_.CheckFolder(root_ + "\\missing").state, FolderState::kMissing);
  EXPECT_EQ(files_.CheckFolder(root_ + "\\missing\\deeper").state, FolderState::kMissing);
  EXPECT_EQ(files_.CheckFolder(root_ + "\\WS.TXT").state, FolderState::kNotAFolder);
  // Below a file: Windows answers "path not found" or "the directory name is invalid".
  const FolderCheck below_file = files_.CheckFolder(root_ + "\\WS.TXT\\WS");
  EXPECT_TRUE(below_file.state == FolderState::kMissing ||
              below_file.state == FolderState::kNotAFolder)
      << static_cast<int>(below_file.state);
  // A share of a server that nobody has.
  EXPECT_EQ(files_.CheckFolder("\\\\orvabridge-no-such-server\\txtout").state,
            FolderState::kUnreachable);
}

TEST_F(PlatformFiles, AFileInAMissingFolderIsAMissingPath) {
  EXPECT_EQ(FailureNumber([&] { files_.OpenAppend(root_ + "\\missing\\WS.TXT"); }),
            failure::kPathNotFound);
}

}  // namespace
}  // namespace orvabridge::platform::contract
