// Unpacking replies into the holding area: which codes are taken, what each fills, and that
// nothing outside a reply's own record changes.
#include <gtest/gtest.h>

#include <vector>

#include "channel/dispatcher.h"

namespace orvabridge::channel {
namespace {

// ASCII is all these tests need.
class AsciiCodePage : public platform::CodePage {
 public:
  std::string ToAnsi(std::string_view utf8) override { return std::string(utf8); }
  std::string FromAnsi(std::string_view ansi) override { return std::string(ansi); }
  std::string Name() override { return "ASCII"; }
};

class DispatcherTest : public ::testing::Test {
 protected:
  bool Deliver(uint32_t code, const std::vector<std::byte>& bytes) {
    return dispatcher_.Dispatch(platform::CopyData{code, bytes});
  }

  AsciiCodePage code_page_;
  FieldCodec codec_{code_page_};
  ReplyHolding holding_;
  platform::WindowHandle target_;
  ReplyDispatcher dispatcher_{holding_, codec_, target_};
};

TEST_F(DispatcherTest, ImageRepliesAreTakenOnlyAtTheirExactSize) {
  for (size_t size : {image_query::kSize - 1, image_query::kSize + 1}) {
    EXPECT_TRUE(Deliver(command::kGetImage, std::vector<std::byte>(size, std::byte{'x'})));
    EXPECT_FALSE(holding_.image_reply_flag) << size;
  }
  EXPECT_EQ(holding_.image_record[100], std::byte{0});

  std::vector<std::byte> exact(image::kSize);
  codec_.WriteText(exact, image::kPictureId, "IMG-1");
  EXPECT_TRUE(Deliver(command::kSearchImage, exact));
  EXPECT_TRUE(holding_.image_reply_flag);
  EXPECT_EQ(codec_.ReadText(holding_.image_record, image::kPictureId), "IMG-1");
  EXPECT_EQ(holding_.reply_code, 0u);  // image replies never touch ReplyCode
}

TEST_F(DispatcherTest, IgnoredAndUnknownCodesChangeNothing) {
  holding_.last_reply = LoginReply{7, "before", "", ""};
  EXPECT_TRUE(Deliver(command::kIgnoredReply, std::vector<std::byte>(10)));
  EXPECT_FALSE(Deliver(4711, std::vector<std::byte>(10)));
  EXPECT_EQ(holding_.reply_code, 0u);
  EXPECT_EQ(holding_.Last<LoginReply>().prefix, "before");
}

TEST_F(DispatcherTest, AttachReplySetsTheTargetAndVersionText) {
  std::vector<std::byte> reply(200, std::byte{'n'});  // longer than its record, name unterminated
  WriteU32(reply, attach_reply::kControlWindow, 0x1234);
  WriteI32(reply, attach_reply::kVersionMajor, 3);
  WriteI32(reply, attach_reply::kVersionMinor, 1);
  WriteI32(reply, attach_reply::kVersionBuild, -2);
  EXPECT_TRUE(Deliver(command::kAttach, reply));
  EXPECT_EQ(target_, platform::WindowHandle(0x1234));
  const auto& attach = holding_.Last<AttachReply>();
  EXPECT_EQ(attach.name, std::string(64, 'n'));
  EXPECT_EQ(attach.VersionText(), "3.1.-2");
  EXPECT_EQ(attach.control_window, platform::WindowHandle(0x1234));
  EXPECT_EQ(holding_.reply_code, command::kAttach);
}

TEST_F(DispatcherTest, ShortRepliesKeepTheRestOfTheObjectsRecords) {
  holding_.generic_record.fill(std::byte{'k'});
  std::vector<std::byte> reply(100);
  WriteI32(reply, generic::kNumber0, 9);
  EXPECT_TRUE(Deliver(command::kGeneric, reply));
  EXPECT_EQ(ReadI32(holding_.generic_record, generic::kNumber0), 9);
  EXPECT_EQ(holding_.generic_record[100], std::byte{'k'});
  const auto& generic_reply = holding_.Last<GenericReply>();
  EXPECT_EQ(generic_reply.number[0], 9);
  EXPECT_EQ(generic_reply.text[0], "");  // the reply covered the start of field 0 with zeros
  EXPECT_EQ(generic_reply.text[1], std::string(256, 'k'));
  EXPECT_EQ(holding_.reply_code, command::kGeneric);
}

}  // namespace
}  // namespace orvabridge::channel
