// SearchImage, GetImage and FindImages: the records they send, how image replies end their waits,
// time-outs, stale and malformed replies, and the guards of every image method.
#include <gtest/gtest.h>

#include "operations/images_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

// Image record, at literal offsets so that a wrong layout cannot vouch for itself.
struct ImageFields {
  std::string patient{}, picture{}, date{}, tooth_groups{}, type{}, comment{}, original_path{},
      group_name{}, xray{};
};
std::vector<std::byte> ImageRecordBytes(const channel::FieldCodec& codec, const ImageFields& f) {
  auto record = SizedRecord(1540);
  codec.WriteText(record, Field{4, 64}, f.patient);
  codec.WriteText(record, Field{68, 256}, f.picture);
  codec.WriteText(record, Field{324, 64}, f.date);
  codec.WriteText(record, Field{388, 256}, f.tooth_groups);
  codec.WriteText(record, Field{644, 256}, f.type);
  codec.WriteText(record, Field{900, 256}, f.comment);
  codec.WriteText(record, Field{1156, 256}, f.original_path);
  codec.WriteText(record, Field{1412, 64}, f.group_name);
  codec.WriteText(record, Field{1476, 64}, f.xray);
  return record;
}

std::vector<std::byte> QueryRecord(const channel::FieldCodec& codec, const std::string& at4,
                                   const std::string& at68, const std::string& at132) {
  auto record = SizedRecord(388);
  codec.WriteText(record, Field{4, 64}, at4);
  codec.WriteText(record, Field{68, 64}, at68);
  codec.WriteText(record, Field{132, 256}, at132);
  return record;
}

const ImageFields kPanorama{"P-1", "PIC-9",    "12/03/2024", "1-8",     "Panorama",
                            "ok",  "C:\\o.dcm", "Upper",     "70kV"};

class ImagesTest : public AttachedTest {
 protected:
  struct SearchOutputs {
    std::string picture = "p", date = "d", type = "t", group_name = "g", comment = "c",
                tooth_groups = "tg", xray = "x";
  };
  int32_t Search(std::string patient, std::string date, SearchOutputs& out) {
    return appl_->SearchImage(patient, date, out.picture, out.date, out.type, out.group_name,
                              out.comment, out.tooth_groups, out.xray);
  }
  int32_t Fetch(std::string picture, std::string folder, std::string& path) {
    return appl_->GetImage(picture, folder, path);
  }
  int32_t Find(std::string from, std::string to) {
    std::string picture = "PIC", patient = "P-1", type = "Bitewing", group = "Lower",
                comment = "note", groups = "31-38", xray = "60kV";
    return appl_->FindImages(picture, patient, from, to, type, group, comment, groups, xray);
  }
  // Answers every request of `code` inside the send.
  void AnswerImages(uint32_t code, std::function<std::vector<std::byte>()> reply) {
    serve_ = [this, code, reply](const Request& request) {
      if (request.code == code) peer_->Reply(request.reply_to, code, reply());
    };
  }
};

// --- SearchImage -----------------------------------------------------------------------------

TEST_F(ImagesTest, SearchSendsPatientAndDateAfterClearingTheReplyFields) {
  Start();
  auto& record = core().holding().image_record;
  record.fill(std::byte{0x5A});
  serve_ = [&](const Request&) {
    // Size and original path stay; every other field of ImageRecord is cleared before sending.
    for (size_t i = 0; i < record.size(); ++i) {
      const bool kept = i < 4 || (i >= 1156 && i < 1412);
      ASSERT_EQ(record[i], kept ? std::byte{0x5A} : std::byte{0}) << "byte " << i;
    }
  };
  SearchOutputs out;
  Search("P-1", "12/03/2024", out);
  Search("P-1", "not a date", out);
  const auto sent = Sent(command::kSearchImage);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, QueryRecord(codec(), "P-1", "12/03/2024", ""));
  EXPECT_EQ(sent[1].bytes, QueryRecord(codec(), "P-1", " ", ""));
}

TEST_F(ImagesTest, SearchReplyFillsTheOutputs) {
  Start();
  AnswerImages(command::kSearchImage, [&] { return ImageRecordBytes(codec(), kPanorama); });
  SearchOutputs out;
  EXPECT_EQ(Search("P-1", "", out), 1);
  EXPECT_EQ(out.picture, "PIC-9");
  EXPECT_EQ(out.date, "12/03/2024");
  EXPECT_EQ(out.type, "Panorama");
  EXPECT_EQ(out.group_name, "Upper");
  EXPECT_EQ(out.comment, "ok");
  EXPECT_EQ(out.tooth_groups, "1-8");
  EXPECT_EQ(out.xray, "70kV");
  EXPECT_FALSE(core().holding().image_reply_flag);

  // No picture id means no image; the outputs are written all the same.
  AnswerImages(command::kSearchImage, [&] { return ImageRecordBytes(codec(), {"P-1"}); });
  EXPECT_EQ(Search("P-1", "", out), 0);
  EXPECT_EQ(out.picture, "");
  EXPECT_EQ(out.xray, "");
}

TEST_F(ImagesTest, SearchIgnoresMisSizedAndStaleReplies) {
  Start();
  SearchOutputs out;
  for (size_t size : {1539u, 1541u}) {
    AnswerImages(command::kSearchImage, [&] {
      auto reply = ImageRecordBytes(codec(), kPanorama);
      reply.resize(size);
      return reply;
    });
    EXPECT_EQ(Search("P-1", "", out), 0) << size;  // after the time-out
    EXPECT_EQ(out.picture, "p");
  }
  // An answer that comes after its request gave up is not taken by the next request.
  serve_ = nullptr;
  peer_->Reply(core().reply_window, command::kSearchImage, ImageRecordBytes(codec(), kPanorama));
  EXPECT_TRUE(core().holding().image_reply_flag);
  EXPECT_EQ(Search("P-2", "", out), 0);
  EXPECT_EQ(out.picture, "p");
}

TEST_F(ImagesTest, SearchOutcomesWithoutAnImage) {
  Start();
  SearchOutputs out;
  logged_in_ = false;
  EXPECT_EQ(Search("", "", out), -12);  // the session check comes before the patient check
  logged_in_ = true;
  EXPECT_EQ(Search("", "", out), -5);
  EXPECT_TRUE(Sent(command::kSearchImage).empty());
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(Search("P-1", "", out), -4);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());  // not forgotten yet
  EXPECT_EQ(out.picture, "p");
}

// --- GetImage --------------------------------------------------------------------------------

TEST_F(ImagesTest, GetImageSendsAFolderEndingInOneBackslash) {
  Start();
  std::string delivered = "C:\\temp\\17.jpg";
  AnswerImages(command::kGetImage, [&] { return QueryRecord(codec(), "", "", delivered); });
  std::string path = "C:\\old.jpg";
  EXPECT_EQ(Fetch("17", "C:\\temp", path), 1);
  EXPECT_EQ(path, "C:\\temp\\17.jpg");
  delivered.clear();
  EXPECT_EQ(Fetch("17", "C:\\temp\\", path), 0);
  EXPECT_EQ(path, "");
  Fetch("17", "", path);
  const auto sent = Sent(command::kGetImage);
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].bytes, QueryRecord(codec(), "17", "C:\\old.jpg", "C:\\temp\\"));
  EXPECT_EQ(sent[1].bytes, QueryRecord(codec(), "17", "C:\\temp\\17.jpg", "C:\\temp\\"));
  EXPECT_EQ(sent[2].bytes, QueryRecord(codec(), "17", "", "\\"));
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(ImagesTest, GetImageTimeOutShowsItsLimit) {
  Start();
  struct Case {
    const char* picture;
    const char* text;
  };
  for (const auto& [picture, text] : {Case{"17", "GetImage timed out after 5 seconds."},
                                      Case{" -1 ", "GetImage timed out after 60 seconds."},
                                      Case{"-1.0", "GetImage timed out after 60 seconds."}}) {
    boxes_.clear();
    std::string path = "keep";
    EXPECT_EQ(Fetch(picture, "C:\\t", path), 0) << picture;
    EXPECT_EQ(path, "keep");
    ASSERT_EQ(boxes_.size(), 1u) << picture;
    EXPECT_EQ(boxes_[0].text, text);
    EXPECT_EQ(boxes_[0].caption, "");
    EXPECT_EQ(boxes_[0].style, platform::kMbOk);
  }
}

TEST_F(ImagesTest, GetImageWithAPictureIdThatIsNoNumberFailsAfterSending) {
  Start();
  for (const std::string picture : {"", "abc", "12abc", "1 2", "-"}) {
    std::string path = "keep";
    EXPECT_EQ(Fetch(picture, "C:\\t", path), -10) << '"' << picture << '"';
    EXPECT_EQ(path, "keep");
  }
  EXPECT_EQ(Sent(command::kGetImage).size(), 5u);
  EXPECT_TRUE(boxes_.empty());  // no wait, so no time-out box
}

TEST_F(ImagesTest, GetImageIgnoresStaleAndMisSizedReplies) {
  Start();
  peer_->Reply(core().reply_window, command::kGetImage, QueryRecord(codec(), "", "", "C:\\stale"));
  AnswerImages(command::kGetImage, [&] {
    auto reply = QueryRecord(codec(), "", "", "C:\\short");
    reply.pop_back();
    return reply;
  });
  std::string path = "keep";
  EXPECT_EQ(Fetch("17", "C:\\t", path), 0);
  EXPECT_EQ(path, "keep");
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(ImagesTest, GetImageWaitAllowsANestedCall) {
  Start();
  int32_t nested = 0;
  serve_ = [&](const Request& request) {
    if (request.code == command::kGeneric) {
      auto reply = peer_->SessionRecord(true);
      codec().WriteText(reply, Field{88, 256}, "12");
      peer_->Reply(request.reply_to, command::kGeneric, reply);
    } else if (request.code == command::kGetImage) {
      // The host's own message runs a worklist query while GetImage waits; the image reply
      // comes after it.
      RunLater([&] { nested = appl_->MWLQuery(); });
      peer_->ReplyLater(request.reply_to, command::kGetImage,
                        QueryRecord(codec(), "", "", "C:\\t\\17.jpg"));
    }
  };
  std::string path;
  EXPECT_EQ(Fetch("17", "C:\\t", path), 1);
  EXPECT_EQ(nested, 12);
  EXPECT_EQ(path, "C:\\t\\17.jpg");
}

// --- FindImages ------------------------------------------------------------------------------

TEST_F(ImagesTest, FindImagesDateCriteria) {
  Start();
  struct Case {
    const char* from;
    const char* to;
    const char* sent;
  };
  for (const auto& c : {Case{"01/03/2024", "31/03/2024", "01/03/2024#31/03/2024"},
                        Case{"01/03/2024", "", "01/03/2024"},
                        Case{"", "31/03/2024", " #31/03/2024"}, Case{"soon", "later", " "}}) {
    EXPECT_EQ(Find(c.from, c.to), 0) << c.from << "|" << c.to;
    EXPECT_EQ(codec().ReadText(Sent(command::kFindImages).back().bytes, Field{324, 64}), c.sent);
  }
}

TEST_F(ImagesTest, FindImagesSendsItsCriteriaBesideTheLastOriginalPath) {
  StartOld();
  AnswerImages(command::kSearchImage, [&] { return ImageRecordBytes(codec(), kPanorama); });
  SearchOutputs out;
  ASSERT_EQ(Search("P-1", "", out), 1);

  EXPECT_EQ(Find("01/03/2024", "02/03/2024"), 0);
  const auto sent = Sent(command::kFindImages);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes,
            ImageRecordBytes(codec(), {"P-1", "PIC", "01/03/2024#02/03/2024", "31-38", "Bitewing",
                                       "note", "C:\\o.dcm", "Lower", "60kV"}));
  // Sent without waiting: the last reply code (the attach reply's) stays.
  EXPECT_EQ(core().holding().reply_code, command::kAttach);
}

TEST_F(ImagesTest, FailuresBecomeMinusTenOrABox) {
  Start();
  BreakSessionReplies();
  SearchOutputs out;
  EXPECT_EQ(Search("P-1", "", out), -10);
  std::string path;
  EXPECT_EQ(Fetch("17", "C:\\t", path), -10);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Find("", ""), 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "FindImages: -100 Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  EXPECT_EQ(peer_->requests().size(), 3u);  // three session queries, nothing else
}

// --- Guards of all image methods -------------------------------------------------------------

class ImageGuardsTest : public ImagesTest {
 protected:
  std::vector<std::pair<const char*, std::function<int32_t()>>> Methods() {
    return {
        {"SearchImage", [this] { SearchOutputs out; return Search("P-1", "", out); }},
        {"GetImage", [this] { std::string path; return Fetch("17", "C:\\t", path); }},
        {"FindImages", [this] { return Find("", ""); }},
        {"GetSelectedImageInfo",
         [this] {
           std::string a, b, c, d, e, f, g, h, i;
           return appl_->GetSelectedImageInfo(a, b, c, d, e, f, g, h, i);
         }},
        {"GetSelectedImageCard",
         [this] {
           int32_t card = 0;
           std::string a, b, c;
           bool images = false, originals = false;
           return appl_->GetSelectedImageCard(card, a, b, c, images, originals);
         }},
    };
  }
};

TEST_F(ImageGuardsTest, NoApplicationWindowGoneOrNobodyLoggedIn) {
  for (const auto& [name, call] : Methods()) {
    peer_.reset();
    appl_ = MakeAppl();  // nothing to attach to
    EXPECT_EQ(call(), -4) << name;
    Start();
    peer_->DestroyWindows();
    EXPECT_EQ(call(), -4) << name;
    EXPECT_FALSE(core().thread().target_window) << name;
    Start();
    logged_in_ = false;
    EXPECT_EQ(call(), -12) << name;
    logged_in_ = true;
    EXPECT_EQ(peer_->requests().size(), 1u) << name;  // the session query alone
  }
}

TEST_F(ImageGuardsTest, LinkChecksOnAnApplicationTooOldForSessions) {
  StartOld();
  for (const auto& [name, call] : Methods()) {
    core().form_loaded = false;
    EXPECT_EQ(call(), -1) << name;
    core().form_loaded = true;
    const auto reply_window = core().reply_window;
    core().reply_window = platform::WindowHandle();
    EXPECT_EQ(call(), -2) << name;
    core().reply_window = reply_window;
    const auto message = core().thread().control_message_id;
    core().thread().control_message_id = 0;
    EXPECT_EQ(call(), -3) << name;
    core().thread().control_message_id = message;
  }
  EXPECT_TRUE(peer_->requests().empty());
}

}  // namespace
}  // namespace orvabridge::testing
