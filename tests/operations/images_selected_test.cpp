// GetSelectedImageInfo and GetSelectedImageCard: request records, reply mapping and failures.
#include <gtest/gtest.h>

#include "operations/images_fixture.h"

namespace orvabridge::testing {
namespace {

namespace command = channel::command;
using channel::Field;

class SelectedImageTest : public AttachedTest {
 protected:
  struct Info {
    std::string picture = "PIC", patient = "P-1", date = "01/02/2024", type = "Intraoral",
                path = "C:\\org.dcm", group_name = "Upper", comment = "c", groups = "11-18",
                xray = "65kV";
  };
  struct Card {
    int32_t id = 5;
    std::string patient = "P-1", content = "<card/>", path = "C:\\cards";
    bool images = true, originals = false;
  };
  int32_t SelectedInfo(Info& i) {
    return appl_->GetSelectedImageInfo(i.picture, i.patient, i.date, i.type, i.path,
                                       i.group_name, i.comment, i.groups, i.xray);
  }
  int32_t SelectedCard(Card& c) {
    return appl_->GetSelectedImageCard(c.id, c.patient, c.content, c.path, c.images,
                                       c.originals);
  }
  // Answers every request of `code` with `reply`, sent as `reply_code` (default: `code`).
  void Answer(uint32_t code, std::vector<std::byte> reply, uint32_t reply_code = 0) {
    serve_ = [this, code, reply, reply_code](const Request& request) {
      if (request.code == code) {
        peer_->Reply(request.reply_to, reply_code != 0 ? reply_code : code, reply);
      }
    };
  }
  // Both records at literal offsets.
  std::vector<std::byte> InfoRecord(const Info& i) const {
    auto record = SizedRecord(1540);
    codec().WriteText(record, Field{4, 64}, i.patient);
    codec().WriteText(record, Field{68, 256}, i.picture);
    codec().WriteText(record, Field{324, 64}, i.date);
    codec().WriteText(record, Field{388, 256}, i.groups);
    codec().WriteText(record, Field{644, 256}, i.type);
    codec().WriteText(record, Field{900, 256}, i.comment);
    codec().WriteText(record, Field{1156, 256}, i.path);
    codec().WriteText(record, Field{1412, 64}, i.group_name);
    codec().WriteText(record, Field{1476, 64}, i.xray);
    return record;
  }
  std::vector<std::byte> CardRecord(const Card& c) const {
    auto record = SizedRecord(20336);
    channel::WriteI32(record, Field{4, 4}, c.id);
    codec().WriteText(record, Field{8, 64}, c.patient);
    codec().WriteText(record, Field{72, 20001}, c.content);
    codec().WriteText(record, Field{20073, 256}, c.path);
    channel::WriteI16(record, Field{20330, 2}, c.images ? 1 : 0);
    channel::WriteI16(record, Field{20332, 2}, c.originals ? 1 : 0);
    return record;
  }
};

TEST_F(SelectedImageTest, InfoSendsTheCallersNineValuesAndTakesTheSelection) {
  Start();
  core().holding().image_record.fill(std::byte{0x5A});  // every field is rewritten
  const Info selected{"PIC-7", "P-9",  "03/04/2024", "Panorama", "D:\\o.dcm",
                      "Lower", "fine", "31-38",      "70kV"};
  Answer(command::kSelectedImage, InfoRecord(selected));
  Info info;
  EXPECT_EQ(SelectedInfo(info), 1);
  EXPECT_EQ(Sent(command::kSelectedImage).back().bytes, InfoRecord(Info{}));
  EXPECT_EQ(InfoRecord(info), InfoRecord(selected));  // all nine replaced

  Info empty{"", "", "", "", "", "", "", "", ""};
  SelectedInfo(empty);
  EXPECT_EQ(Sent(command::kSelectedImage).back().bytes, SizedRecord(1540));
}

TEST_F(SelectedImageTest, CardSendsFlagsAsSixteenBitOnesAndContentWithoutTerminator) {
  Start();
  Card request;
  request.id = -3;
  SelectedCard(request);
  EXPECT_EQ(Sent(command::kSelectedImageCard).back().bytes, CardRecord(request));
  EXPECT_EQ(Sent(command::kSelectedImageCard).back().bytes[20330], std::byte{1});

  request.content = std::string(20001, 'x');
  request.path = "";
  SelectedCard(request);
  request.content += "overflow";  // longer texts are cut at the field
  SelectedCard(request);
  const auto sent = Sent(command::kSelectedImageCard);
  ASSERT_EQ(sent.size(), 3u);
  for (size_t n : {1u, 2u}) {
    EXPECT_EQ(sent[n].bytes[72 + 20000], std::byte{'x'});
    EXPECT_EQ(sent[n].bytes[20073], std::byte{0});
  }
  EXPECT_EQ(sent[2].bytes, sent[1].bytes);
}

TEST_F(SelectedImageTest, CardReplyReplacesTheArguments) {
  Start();
  Answer(command::kSelectedImageCard, CardRecord({123, "P-9", "<card id='123'/>", "E:\\img"}));
  Card mine;
  EXPECT_EQ(SelectedCard(mine), 1);
  EXPECT_EQ(mine.id, 123);
  EXPECT_EQ(mine.patient, "P-9");
  EXPECT_EQ(mine.content, "<card id='123'/>");
  EXPECT_EQ(mine.path, "E:\\img");
  EXPECT_TRUE(mine.images);  // the flags are only sent
}

TEST_F(SelectedImageTest, OutcomesThatLeaveTheArgumentsAlone) {
  struct Case {
    const char* what;
    std::function<void()> script;
    int32_t info_result;
    int32_t card_result;
  };
  const Case cases[] = {
      {"nothing selected",
       [&] {
         serve_ = [this](const Request& request) {
           const auto reply = request.code == command::kSelectedImage
                                  ? InfoRecord({"", "P-9", "x", "x", "x", "x", "x", "x", "x"})
                                  : CardRecord({77, "", "x", "x"});
           peer_->Reply(request.reply_to, request.code, reply);
         };
       },
       0, 0},
      {"no reply", [&] { serve_ = nullptr; }, -6, -6},
      {"the other reply",
       [&] {
         serve_ = [this](const Request& request) {
           const bool info = request.code == command::kSelectedImage;
           peer_->Reply(request.reply_to,
                        info ? command::kSelectedImageCard : command::kSelectedImage,
                        info ? CardRecord(Card{}) : InfoRecord(Info{}));
         };
       },
       -7, -7},
      {"window gone", [&] { serve_ = [this](const Request&) { CloseApplicationLater(); }; }, -4,
       -4},
  };
  for (const auto& c : cases) {
    Start();
    c.script();
    Info info;
    EXPECT_EQ(SelectedInfo(info), c.info_result) << c.what;
    EXPECT_EQ(InfoRecord(info), InfoRecord(Info{})) << c.what;
    Start();  // a fresh application for the card, in case the first one went away
    c.script();
    Card mine;
    EXPECT_EQ(SelectedCard(mine), c.card_result) << c.what;
    EXPECT_EQ(CardRecord(mine), CardRecord(Card{})) << c.what;
  }
  // The window went away while waiting: reported, but forgotten only by the next call.
  EXPECT_EQ(core().thread().target_window, peer_->control_window());
}

TEST_F(SelectedImageTest, FailuresShowABoxOrRaiseTheCardsError) {
  Start();
  BreakSessionReplies();
  Info info;
  EXPECT_EQ(SelectedInfo(info), 0);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text,
            "GetSelectedImageInfo: -100 Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  EXPECT_EQ(boxes_[0].style, platform::kMbOk);

  Card mine;
  try {
    SelectedCard(mine);
    FAIL() << "expected an automation error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), -100);
    EXPECT_EQ(error.source(), "Orvabridge.Appl.GetSelectedImageCard");
    EXPECT_EQ(error.description(),
              "Orvabridge.Appl.GetSelectedImageCard error: -100\r\n"
              "Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
  }
  EXPECT_EQ(boxes_.size(), 1u);
}

}  // namespace
}  // namespace orvabridge::testing
