// SearchImage, GetImage, FindImages and the selected image: the records they send, how image
// replies end their waits, time-outs, stale and malformed replies, guards and failures.
#include <gtest/gtest.h>

#include <tuple>

#include "operations/attached_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

std::vector<std::byte> QueryRecord(const channel::FieldCodec& codec, const std::string& at4,
                                   const std::string& at68, const std::string& at132) {
  auto record = SizedRecord(388);
  WriteTexts(codec, record, {{4, 64}, {68, 64}, {132, 256}}, {at4, at68, at132});
  return record;
}

const ImageFields kPanorama{"P-1", "PIC-9",     "12/03/2024", "1-8", "Panorama",
                            "ok",  "C:\\o.dcm", "Upper",      "70kV"};
// What a caller passes to GetSelectedImageInfo.
const ImageFields kCallerInfo{"P-1", "PIC",         "01/02/2024", "11-18", "Intraoral",
                              "c",   "C:\\org.dcm", "Upper",      "65kV"};

class ImagesTest : public AttachedTest {
 protected:
  struct SearchOutputs {
    std::string picture = "p", date = "d", type = "t", group_name = "g", comment = "c",
                tooth_groups = "tg", xray = "x";
    auto Tie() const {
      return std::tie(picture, date, type, group_name, comment, tooth_groups, xray);
    }
  };
  struct Card {
    int32_t id = 5;
    std::string patient = "P-1", content = "<card/>", path = "C:\\cards";
    bool images = true, originals = false;
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
  int32_t SelectedInfo(ImageFields& i) {
    return appl_->GetSelectedImageInfo(i.picture, i.patient, i.date, i.type, i.original_path,
                                       i.group_name, i.comment, i.tooth_groups, i.xray);
  }
  int32_t SelectedCard(Card& c) {
    return appl_->GetSelectedImageCard(c.id, c.patient, c.content, c.path, c.images, c.originals);
  }
  std::vector<std::byte> CardRecord(const Card& c) const {
    auto record = SizedRecord(20336);
    channel::WriteI32(record, Field{4, 4}, c.id);
    WriteTexts(codec(), record, {{8, 64}, {72, 20001}, {20073, 256}},
               {c.patient, c.content, c.path});
    channel::WriteI16(record, Field{20330, 2}, c.images ? 1 : 0);
    channel::WriteI16(record, Field{20332, 2}, c.originals ? 1 : 0);
    return record;
  }
};

TEST_F(ImagesTest, SearchSendsPatientAndDate) {
  SearchOutputs out;
  Search("P-1", "12/03/2024", out);
  Search("P-1", "not a date", out);
  const auto sent = Sent(command::kSearchImage);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].bytes, QueryRecord(codec(), "P-1", "12/03/2024", ""));
  EXPECT_EQ(sent[1].bytes, QueryRecord(codec(), "P-1", " ", ""));
}

TEST_F(ImagesTest, SearchReplyFillsTheOutputs) {
  Answer(command::kSearchImage, [&] { return ImageRecordBytes(codec(), kPanorama); });
  SearchOutputs out;
  EXPECT_EQ(Search("P-1", "", out), 1);
  EXPECT_EQ(out.Tie(),
            std::make_tuple("PIC-9", "12/03/2024", "Panorama", "Upper", "ok", "1-8", "70kV"));
  EXPECT_FALSE(core().holding().image_reply_flag);

  // No picture id means no image; the outputs are written all the same.
  Answer(command::kSearchImage, [&] { return ImageRecordBytes(codec(), {"P-1"}); });
  EXPECT_EQ(Search("P-1", "", out), 0);
  EXPECT_EQ(out.Tie(), std::make_tuple("", "", "", "", "", "", ""));
}

TEST_F(ImagesTest, SearchIgnoresMisSizedAndStaleReplies) {
  SearchOutputs out;
  for (size_t size : {1539u, 1541u}) {
    Answer(command::kSearchImage, [&] {
      auto reply = ImageRecordBytes(codec(), kPanorama);
      reply.resize(size);
      return reply;
    });
    EXPECT_EQ(Search("P-1", "", out), 0) << size;  // after the time-out
    EXPECT_EQ(out.picture, "p");
  }
  // An answer that comes after its request gave up is not taken by the next request.
  serve_ = nullptr;
  peer_->Reply(core().reply_window().handle(), command::kSearchImage,
               ImageRecordBytes(codec(), kPanorama));
  EXPECT_TRUE(core().holding().image_reply_flag);
  EXPECT_EQ(Search("P-2", "", out), 0);
  EXPECT_EQ(out.picture, "p");
}

TEST_F(ImagesTest, SearchOutcomesWithoutAnImage) {
  SearchOutputs out;
  EXPECT_EQ(Search("", "", out), -5);
  EXPECT_TRUE(Sent(command::kSearchImage).empty());
  serve_ = [this](const Request&) { CloseApplicationLater(); };
  EXPECT_EQ(Search("P-1", "", out), -4);
  EXPECT_EQ(core().thread().target_window, peer_->control_window());  // not forgotten yet
  EXPECT_EQ(out.picture, "p");
}

TEST_F(ImagesTest, GetImageSendsAFolderEndingInOneBackslash) {
  std::string delivered = "C:\\temp\\17.jpg";
  Answer(command::kGetImage, [&] { return QueryRecord(codec(), "", "", delivered); });
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

// A picture id that is a number waits for the reply, -1 longer than others, and a time-out is
// shown in a box; any other id fails once the request is out, without a box.
TEST_F(ImagesTest, GetImageTimeOutOrPictureIdThatIsNoNumber) {
  const std::pair<std::string, const char*> cases[] = {
      {"17", "5"}, {" -1.0 ", "60"}, {"", nullptr}, {"12abc", nullptr}, {"-", nullptr}};
  for (const auto& [picture, seconds] : cases) {
    SCOPED_TRACE('"' + picture + '"');
    boxes_.clear();
    std::string path = "keep";
    EXPECT_EQ(Fetch(picture, "C:\\t", path), seconds ? 0 : -10);
    EXPECT_EQ(path, "keep");
    if (!seconds) {
      EXPECT_TRUE(boxes_.empty());
      continue;
    }
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, std::string("GetImage timed out after ") + seconds + " seconds.");
  }
  EXPECT_EQ(Sent(command::kGetImage).size(), std::size(cases));
}

TEST_F(ImagesTest, GetImageIgnoresStaleAndMisSizedReplies) {
  peer_->Reply(core().reply_window().handle(), command::kGetImage,
               QueryRecord(codec(), "", "", "C:\\stale"));
  Answer(command::kGetImage, [&] {
    auto reply = QueryRecord(codec(), "", "", "C:\\short");
    reply.pop_back();
    return reply;
  });
  std::string path = "keep";
  EXPECT_EQ(Fetch("17", "C:\\t", path), 0);
  EXPECT_EQ(path, "keep");
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(ImagesTest, FindImagesSendsItsCriteriaBesideTheLastOriginalPath) {
  StartOld();
  Answer(command::kSearchImage, [&] { return ImageRecordBytes(codec(), kPanorama); });
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

  struct Case {
    const char *from, *to, *sent;
  };
  for (const auto& c : {Case{"", "31/03/2024", " #31/03/2024"}, Case{"soon", "later", " "}}) {
    EXPECT_EQ(Find(c.from, c.to), 0) << c.from << "|" << c.to;
    EXPECT_EQ(codec().ReadText(Sent(command::kFindImages).back().bytes, Field{324, 64}), c.sent);
  }
}

TEST_F(ImagesTest, SelectedInfoSendsTheCallersNineValuesAndTakesTheSelection) {
  core().holding().image_record.fill(std::byte{0x5A});  // every field is rewritten
  const ImageFields selected{"P-9",  "PIC-7",     "03/04/2024", "31-38", "Panorama",
                             "fine", "D:\\o.dcm", "Lower",      "70kV"};
  Answer(command::kSelectedImage, [&] { return ImageRecordBytes(codec(), selected); });
  ImageFields info = kCallerInfo;
  EXPECT_EQ(SelectedInfo(info), 1);
  EXPECT_EQ(Sent(command::kSelectedImage).back().bytes, ImageRecordBytes(codec(), kCallerInfo));
  EXPECT_EQ(ImageRecordBytes(codec(), info), ImageRecordBytes(codec(), selected));

  ImageFields empty;
  SelectedInfo(empty);
  EXPECT_EQ(Sent(command::kSelectedImage).back().bytes, SizedRecord(1540));
}

TEST_F(ImagesTest, SelectedCardSendsFlagsAsSixteenBitOnesAndContentWithoutTerminator) {
  Card request;
  request.id = -3;
  SelectedCard(request);
  EXPECT_EQ(Sent(command::kSelectedImageCard).back().bytes, CardRecord(request));
  EXPECT_EQ(Sent(command::kSelectedImageCard).back().bytes[20330], std::byte{1});
  request.content = std::string(20009, 'x');  // cut at the field, without terminator
  request.path = "";
  SelectedCard(request);
  const auto sent = Sent(command::kSelectedImageCard).back().bytes;
  EXPECT_EQ(sent[72 + 20000], std::byte{'x'});
  EXPECT_EQ(sent[20073], std::byte{0});

  // The reply replaces the arguments; the flags are only sent.
  Answer(command::kSelectedImageCard, [&] {
    return CardRecord({123, "P-9", "<card id='123'/>", "E:\\img", false, false});
  });
  Card mine;
  EXPECT_EQ(SelectedCard(mine), 1);
  EXPECT_EQ(std::tie(mine.id, mine.patient, mine.content, mine.path, mine.images),
            std::make_tuple(123, "P-9", "<card id='123'/>", "E:\\img", true));
}

TEST_F(ImagesTest, SelectedOutcomesThatLeaveTheArgumentsAlone) {
  struct Case {
    const char* what;
    std::function<void(const Request&)> serve;
    int32_t result;
  };
  const Case cases[] = {
      {"nothing selected",
       [this](const Request& request) {
         peer_->Reply(
             request.reply_to, request.code,
             request.code == command::kSelectedImage
                 ? ImageRecordBytes(codec(), {"P-9", "", "x", "x", "x", "x", "x", "x", "x"})
                 : CardRecord({77, "", "x", "x"}));
       },
       0},
      {"no reply", nullptr, -6},
      {"the other reply",
       [this](const Request& request) {
         const bool info = request.code == command::kSelectedImage;
         peer_->Reply(request.reply_to,
                      info ? command::kSelectedImageCard : command::kSelectedImage,
                      info ? CardRecord(Card{}) : ImageRecordBytes(codec(), kCallerInfo));
       },
       -7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Start();
    serve_ = c.serve;
    ImageFields info = kCallerInfo;
    EXPECT_EQ(SelectedInfo(info), c.result);
    EXPECT_EQ(ImageRecordBytes(codec(), info), ImageRecordBytes(codec(), kCallerInfo));
    Card mine;
    EXPECT_EQ(SelectedCard(mine), c.result);
    EXPECT_EQ(CardRecord(mine), CardRecord(Card{}));
  }
}

TEST_F(ImagesTest, EveryImageMethodRunsTheGuards) {
  SearchOutputs out;
  std::string path;
  ImageFields info;
  Card card;
  const std::pair<const char*, std::function<int32_t()>> methods[] = {
      {"SearchImage", [&] { return Search("P-1", "", out); }},
      {"GetImage", [&] { return Fetch("17", "C:\\t", path); }},
      {"FindImages", [&] { return Find("", ""); }},
      {"GetSelectedImageInfo", [&] { return SelectedInfo(info); }},
      {"GetSelectedImageCard", [&] { return SelectedCard(card); }},
  };
  for (const auto& [name, call] : methods) {
    SCOPED_TRACE(name);
    ExpectGuards(call);
  }
}

TEST_F(ImagesTest, SessionFailuresBecomeMinusTenABoxOrARaisedError) {
  BreakSessionReplies();
  SearchOutputs out;
  EXPECT_EQ(Search("P-1", "", out), -10);
  std::string path;
  EXPECT_EQ(Fetch("17", "C:\\t", path), -10);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Find("", ""), 0);
  ImageFields info = kCallerInfo;
  EXPECT_EQ(SelectedInfo(info), 0);
  ASSERT_EQ(boxes_.size(), 2u);
  const std::string cause = "-100 Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow";
  EXPECT_EQ(boxes_[0].text, "FindImages: " + cause);
  EXPECT_EQ(boxes_[1].text, "GetSelectedImageInfo: " + cause);
  EXPECT_EQ(boxes_[1].style, platform::kMbOk);

  Card card;
  const auto error = ErrorOf([&] { SelectedCard(card); });
  EXPECT_EQ(error.number(), -100);
  EXPECT_EQ(error.source(), "Orvabridge.Appl.GetSelectedImageCard");
  EXPECT_EQ(error.description(),
            "Orvabridge.Appl.GetSelectedImageCard error: -100\r\n"
            "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  EXPECT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(peer_->requests().size(), 5u);  // five session queries, nothing else
}

}  // namespace
}  // namespace orvabridge::testing
