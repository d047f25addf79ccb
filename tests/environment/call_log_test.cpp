#include "environment/call_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "environment/ctimer.h"
#include "platform/desk/desktop.h"
#include "platform/runtime_failure.h"

namespace orvabridge::environment {
namespace {

using platform::desk::Desktop;

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class FlushTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(desk_->HostPath("C:\\out\\WS"));
    timer_.SetInterval(250);
    timer_.SetEnabled(true);
  }

  void Flush() { text_out_.Flush(&log_, path_, &timer_); }
  std::filesystem::path HostFile() { return desk_->HostPath(path_); }

  std::shared_ptr<Desktop> desk_ = Desktop::Create();
  TextOutFile text_out_{desk_->Files(), desk_->AnsiCodePage(), desk_->System()};
  environment::CTimer timer_{desk_->Windows(), [] {}};
  CallLog log_;
  const std::string path_ = TextOutPath("C:\\out\\", "WS");
};

TEST_F(FlushTest, LinesAreAppendedInOrderAfterEarlierContentAsAnsiWithCrLf) {
  ASSERT_EQ(path_, "C:\\out\\WS\\WS.TXT");
  // No lines: no file, and the timer is left as it is.
  Flush();
  text_out_.Flush(nullptr, path_, &timer_);
  EXPECT_FALSE(std::filesystem::exists(HostFile()));
  EXPECT_TRUE(timer_.Enabled());

  WriteWholeFile(HostFile(), "earlier\r\n");
  log_.Append("Call 1 ; Ren\xC3\xA9");  // "René"
  log_.Append("Call 2");
  Flush();
  EXPECT_EQ(ReadWholeFile(HostFile()), "earlier\r\nCall 1 ; Ren\xE9\r\nCall 2\r\n");
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_TRUE(desk_->MessageBoxes().empty());

  std::filesystem::remove(HostFile());
  log_.Append("second");
  Flush();
  EXPECT_EQ(ReadWholeFile(HostFile()), "second\r\n");
}

TEST_F(FlushTest, LockedFileShowsOneBoxKeepsTheLinesAndStopsTheTimer) {
  WriteWholeFile(HostFile(), "");
  desk_->LockFile(path_, true);
  log_.Append("line 0");
  log_.Append("line 1");
  Flush();

  const auto boxes = desk_->MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.rfind("LinkTimer ERROR: 70 ", 0), 0u) << boxes[0].text;
  const std::string named = "\r\n(C:\\out\\WS\\WS.TXT)";
  EXPECT_EQ(boxes[0].text.substr(boxes[0].text.size() - named.size()), named);
  EXPECT_EQ(boxes[0].style, platform::kMbIconInformation);
  EXPECT_EQ(log_.size(), 2u);
  EXPECT_FALSE(timer_.Enabled());

  desk_->LockFile(path_, false);
  Flush();
  EXPECT_EQ(ReadWholeFile(HostFile()), "line 0\r\nline 1\r\n");
  EXPECT_TRUE(timer_.Enabled());
}

// A file system whose stream fails on a chosen write, to see what a failure in mid-flush keeps.
class FailingFiles : public platform::FileSystem {
 public:
  struct Stream : platform::AppendStream {
    explicit Stream(FailingFiles& files) : owner(files) {}
    void Write(std::span<const std::byte> bytes) override {
      if (owner.fail_at_write == owner.writes++) throw RuntimeFailure(61, "Disk full");
      owner.written.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    FailingFiles& owner;
  };

  bool FolderExists(std::string_view) override { return true; }
  void CreateFolder(std::string_view) override {}
  std::unique_ptr<platform::AppendStream> OpenAppend(std::string_view, bool) override {
    ++opens;
    return std::make_unique<Stream>(*this);
  }
  std::optional<uint64_t> FileSize(std::string_view) override { return std::nullopt; }
  void RenameFile(std::string_view, std::string_view) override {}

  int fail_at_write = -1, writes = 0, opens = 0;
  std::string written;
};

TEST_F(FlushTest, FailureInMidFlushKeepsUnwrittenLinesAndTheOpenStream) {
  FailingFiles files;
  files.fail_at_write = 1;
  TextOutFile text_out(files, desk_->AnsiCodePage(), desk_->System());
  for (const char* line : {"a", "b", "c"}) log_.Append(line);

  text_out.Flush(&log_, path_, &timer_);
  EXPECT_EQ(files.written, "a\r\n");
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_EQ(log_.front(), "b");
  EXPECT_FALSE(timer_.Enabled());

  text_out.Flush(&log_, path_, &timer_);
  EXPECT_EQ(files.written, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(files.opens, 1);  // the stream left open was used again
  EXPECT_TRUE(timer_.Enabled());
}

}  // namespace
}  // namespace orvabridge::environment
